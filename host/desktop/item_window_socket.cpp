#include "host/desktop/item_window_socket.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDataStream>
#include <QIODevice>
#include <QtEndian>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "host/error.h"
#include "host/xdg.h"

namespace desktop {
namespace {

namespace fs = std::filesystem;

constexpr qsizetype kLengthBytes = 4;

[[noreturn]] void Fail(const std::string& why) { throw host::Error(host::kNotSupported, why); }

std::string Mode(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
}

// Fails unless `folder` is a folder that this user alone can use.
void RequirePrivate(const fs::path& folder, const std::string& what) {
  struct stat held {};
  if (stat(folder.c_str(), &held) != 0) {
    Fail("the folder for the inspector's socket, " + folder.string() + " (" + what + "), cannot be used: " +
         std::strerror(errno));
  }
  if (!S_ISDIR(held.st_mode) || held.st_uid != geteuid() || (held.st_mode & 077) != 0) {
    Fail("the folder for the inspector's socket, " + folder.string() + " (" + what +
         "), is not this user's alone (owner " + std::to_string(held.st_uid) + ", mode " + Mode(held.st_mode) +
         "): the socket is not put there");
  }
}

// XDG_RUNTIME_DIR, else the folder of ours beside the run log, made private.
fs::path SocketFolder() {
  if (const std::string runtime = host::EnvironmentVariable("XDG_RUNTIME_DIR"); runtime.starts_with('/')) {
    RequirePrivate(runtime, "XDG_RUNTIME_DIR");
    return runtime;
  }
  const auto state = host::XdgBaseFolder(host::EnvironmentVariable("XDG_STATE_HOME"),
                                         host::EnvironmentVariable("HOME"), ".local/state");
  if (!state) Fail("neither XDG_RUNTIME_DIR, XDG_STATE_HOME nor HOME is set: there is no folder for the inspector's socket");
  fs::path folder = *state / "quorvia" / "sockets";
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) Fail("cannot make the folder for the inspector's socket, " + folder.string() + ": " + error.message());
  struct stat held {};
  // Ours, so its mode is ours to set; one of another user's is refused below.
  if (stat(folder.c_str(), &held) == 0 && held.st_uid == geteuid()) chmod(folder.c_str(), 0700);
  RequirePrivate(folder, "beside the run log");
  return folder;
}

}  // namespace

std::string InspectorSocketPath() {
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') display = std::getenv("WAYLAND_DISPLAY");
  std::string name = "quorvia-inspector-";
  // Only characters that are safe in a socket file name.
  for (const QChar c : QString::fromUtf8(display == nullptr ? "" : display)) {
    name += c.isLetterOrNumber() ? QString(c).toStdString() : "_";
  }
  std::string path = (SocketFolder() / name).string();
  if (path.size() >= sizeof(sockaddr_un::sun_path)) Fail("the inspector's socket path is too long: " + path);
  return path;
}

std::string CheckSocketFile(const std::string& path, uid_t owner) {
  struct stat held {};
  if (lstat(path.c_str(), &held) != 0) return "";
  if (held.st_uid != owner) {
    return path + " belongs to user " + std::to_string(held.st_uid) + ", not to user " + std::to_string(owner) +
           ": it is not used";
  }
  if (!S_ISSOCK(held.st_mode)) return path + " is not a socket: it is not used";
  return "";
}

std::string CheckPeer(int fd, uid_t owner) {
  ucred peer{};
  socklen_t size = sizeof peer;
  if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0) {
    return std::string("cannot tell who is at the other end of the inspector's socket: ") + std::strerror(errno);
  }
  if (peer.uid != owner) {
    return "the other end of the inspector's socket runs as user " + std::to_string(peer.uid) + ", not as user " +
           std::to_string(owner) + ": nothing is exchanged with it";
  }
  return "";
}

QByteArray FrameMessage(const QStringList& message) {
  QByteArray body;
  QDataStream out(&body, QIODevice::WriteOnly);
  out << message;
  QByteArray framed(kLengthBytes, '\0');
  qToBigEndian(static_cast<quint32>(body.size()), framed.data());
  return framed + body;
}

std::optional<QStringList> TakeMessage(QByteArray& buffer) {
  if (buffer.size() < kLengthBytes) return std::nullopt;
  const auto length = static_cast<qsizetype>(qFromBigEndian<quint32>(buffer.constData()));
  if (buffer.size() < kLengthBytes + length) return std::nullopt;
  QDataStream in(buffer.mid(kLengthBytes, length));
  QStringList message;
  in >> message;
  buffer.remove(0, kLengthBytes + length);
  return message;
}

}  // namespace desktop
