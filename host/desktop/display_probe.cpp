#include "host/desktop/display_probe.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QByteArray>
#include <QLibraryInfo>
#include <QString>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

// Xlib defines macros such as Status, Bool and None: it comes last.
#include <X11/Xlib.h>

namespace desktop {
namespace {

// The folders Qt searches for platform plug-ins.
std::vector<std::filesystem::path> PlatformPluginFolders() {
  std::vector<std::filesystem::path> folders;
  if (const char* exact = std::getenv("QT_QPA_PLATFORM_PLUGIN_PATH"); exact != nullptr && *exact != '\0') {
    folders.emplace_back(exact);
  }
  if (const char* list = std::getenv("QT_PLUGIN_PATH"); list != nullptr) {
    for (const QString& folder : QString(list).split(':', Qt::SkipEmptyParts)) {
      folders.push_back(std::filesystem::path(folder.toStdString()) / "platforms");
    }
  }
  folders.push_back(std::filesystem::path(QLibraryInfo::path(QLibraryInfo::PluginsPath).toStdString()) /
                    "platforms");
  return folders;
}

}  // namespace

bool SystemDisplayProbe::HasPlugin(const std::string& platform) {
  // Qt's plug-in for the plain "wayland" key is the generic client.
  const std::string file = "libq" + (platform == "wayland" ? std::string("wayland-generic") : platform) + ".so";
  for (const auto& folder : PlatformPluginFolders()) {
    std::error_code ignored;
    if (std::filesystem::exists(folder / file, ignored)) return true;
  }
  return false;
}

bool SystemDisplayProbe::WaylandAccepts(const std::string& socket_path) {
  sockaddr_un address{};
  if (socket_path.size() >= sizeof(address.sun_path)) return false;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, socket_path.c_str(), socket_path.size() + 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool accepted = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
  close(fd);
  return accepted;
}

bool SystemDisplayProbe::XDisplayOpens(const std::string& display) {
  Display* connection = XOpenDisplay(display.c_str());
  if (connection == nullptr) return false;
  XCloseDisplay(connection);
  return true;
}

}  // namespace desktop
