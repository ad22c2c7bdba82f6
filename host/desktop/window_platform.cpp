#include "host/desktop/window_platform.h"

#include <cstdlib>
#include <string_view>
#include <vector>

#include "host/desktop/display_probe.h"

namespace desktop {
namespace {

bool IsSet(const char* value) { return value != nullptr && *value != '\0'; }

std::string Quoted(std::string_view text) { return std::string("\"").append(text).append("\""); }

std::string CheckWayland(const WindowEnvironment& env, DisplayProbe& probe) {
  if (!IsSet(env.wayland_display)) return "WAYLAND_DISPLAY is not set";
  std::string socket = env.wayland_display;
  if (socket.front() != '/') {
    if (!IsSet(env.xdg_runtime_dir)) return "XDG_RUNTIME_DIR is not set, so WAYLAND_DISPLAY has no socket";
    socket = std::string(env.xdg_runtime_dir) + "/" + socket;
  }
  if (!probe.WaylandAccepts(socket)) return "no Wayland compositor answers at " + Quoted(socket);
  return "";
}

std::string CheckX11(const WindowEnvironment& env, DisplayProbe& probe) {
  if (!IsSet(env.display)) return "DISPLAY is not set";
  if (!probe.XDisplayOpens(env.display)) return "cannot open the X display " + Quoted(env.display);
  return "";
}

// Empty when windows can be opened on the platform `entry` names (a
// QT_QPA_PLATFORM entry, options after ':'), else why not.
std::string Check(std::string_view entry, const WindowEnvironment& env, DisplayProbe& probe) {
  const std::string name(entry.substr(0, entry.find(':')));
  // Neither needs anything outside the process.
  if (name == "offscreen" || name == "minimal") return "";
  if (!probe.HasPlugin(name)) return "the Qt platform plug-in " + Quoted(name) + " is not installed";
  if (name.starts_with("wayland")) return CheckWayland(env, probe);
  if (name == "xcb") return CheckX11(env, probe);
  return "";
}

// The first entry that works, or every entry's reason.
WindowPlatform FirstWorking(const std::vector<std::string_view>& entries, const WindowEnvironment& env,
                            DisplayProbe& probe) {
  WindowPlatform choice;
  for (std::string_view entry : entries) {
    const std::string failure = Check(entry, env, probe);
    if (failure.empty()) return {std::string(entry), ""};
    if (!choice.failure.empty()) choice.failure += "; ";
    choice.failure += failure;
  }
  return choice;
}

std::vector<std::string_view> SplitEntries(std::string_view list) {
  std::vector<std::string_view> entries;
  while (!list.empty()) {
    const std::size_t end = list.find(';');
    if (const std::string_view entry = list.substr(0, end); !entry.empty()) entries.push_back(entry);
    list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
  }
  return entries;
}

}  // namespace

WindowEnvironment WindowEnvironment::FromProcess() {
  return {std::getenv("QT_QPA_PLATFORM"), std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"),
          std::getenv("XDG_RUNTIME_DIR")};
}

WindowPlatform ChooseWindowPlatform(const WindowEnvironment& env, DisplayProbe& probe) {
  if (IsSet(env.qt_qpa_platform)) {
    const auto entries = SplitEntries(env.qt_qpa_platform);
    if (entries.empty()) return {"", "QT_QPA_PLATFORM names no platform"};
    return FirstWorking(entries, env, probe);
  }
  std::vector<std::string_view> entries;
  if (IsSet(env.wayland_display)) entries.push_back("wayland");
  if (IsSet(env.display)) entries.push_back("xcb");
  if (entries.empty()) return {"", "neither WAYLAND_DISPLAY nor DISPLAY is set"};
  return FirstWorking(entries, env, probe);
}

std::string PrepareWindows() {
  SystemDisplayProbe probe;
  const WindowPlatform choice = ChooseWindowPlatform(WindowEnvironment::FromProcess(), probe);
  if (choice.platform.empty()) return choice.failure;
  setenv("QT_QPA_PLATFORM", choice.platform.c_str(), 1);
  return "";
}

}  // namespace desktop
