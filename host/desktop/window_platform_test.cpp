#include "host/desktop/window_platform.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "host/desktop/environment_text.h"

namespace desktop {
namespace {

using testing::ShowEnv;

// A machine with the Qt plug-ins, Wayland sockets and X displays listed.
class FakeProbe : public DisplayProbe {
 public:
  std::set<std::string> plugins{"xcb", "wayland", "offscreen", "minimal", "vnc"};
  std::set<std::string> sockets{"/run/user/1/wayland-0", "/tmp/wl"};
  std::set<std::string> displays{":0"};

  bool HasPlugin(const std::string& platform) override { return plugins.contains(platform); }
  bool WaylandAccepts(const std::string& socket_path) override { return sockets.contains(socket_path); }
  bool XDisplayOpens(const std::string& display) override { return displays.contains(display); }
};

TEST(ChooseWindowPlatformTest, PicksAWorkingPlatformOrSaysWhyThereIsNone) {
  struct Case {
    const char* qt_qpa_platform;
    const char* display;
    const char* wayland_display;
    const char* xdg_runtime_dir;
    bool without_wayland_plugin;
    std::string platform;
    std::string failure;
  };
  const char* run = "/run/user/1";
  const Case cases[] = {
      {nullptr, nullptr, nullptr, run, false, "", "neither WAYLAND_DISPLAY nor DISPLAY is set"},
      {"", "", "", run, false, "", "neither WAYLAND_DISPLAY nor DISPLAY is set"},
      {nullptr, ":0", nullptr, run, false, "xcb", ""},
      {nullptr, ":97", nullptr, run, false, "", "cannot open the X display \":97\""},
      {nullptr, nullptr, "wayland-0", run, false, "wayland", ""},
      {nullptr, ":0", "wayland-0", run, false, "wayland", ""},
      {nullptr, nullptr, "/tmp/wl", nullptr, false, "wayland", ""},
      // A Wayland session without the plug-in, or whose compositor is gone,
      // falls back to its X server.
      {nullptr, ":0", "wayland-0", run, true, "xcb", ""},
      {nullptr, ":0", "wayland-9", run, false, "xcb", ""},
      {nullptr, nullptr, "wayland-0", run, true, "", "the Qt platform plug-in \"wayland\" is not installed"},
      {nullptr, ":97", "wayland-9", run, false, "",
       "no Wayland compositor answers at \"/run/user/1/wayland-9\"; cannot open the X display \":97\""},
      {nullptr, nullptr, "wayland-0", nullptr, false, "",
       "XDG_RUNTIME_DIR is not set, so WAYLAND_DISPLAY has no socket"},
      // An explicit QT_QPA_PLATFORM is honoured, options and all.
      {"offscreen", nullptr, nullptr, nullptr, false, "offscreen", ""},
      {"minimal:enable_fonts", ":97", nullptr, nullptr, false, "minimal:enable_fonts", ""},
      {"xcb", ":97", "wayland-0", run, false, "", "cannot open the X display \":97\""},
      {"xcb", nullptr, nullptr, run, false, "", "DISPLAY is not set"},
      {"wayland", ":0", nullptr, run, false, "", "WAYLAND_DISPLAY is not set"},
      {"wayland;xcb", ":0", "wayland-0", run, true, "xcb", ""},
      {"wayland;;offscreen", nullptr, nullptr, run, false, "offscreen", ""},
      {"vnc:size=800x600", nullptr, nullptr, nullptr, false, "vnc:size=800x600", ""},
      {"eglfs", ":0", nullptr, run, false, "", "the Qt platform plug-in \"eglfs\" is not installed"},
      {";", ":0", nullptr, run, false, "", "QT_QPA_PLATFORM names no platform"},
  };
  for (const Case& c : cases) {
    FakeProbe probe;
    if (c.without_wayland_plugin) probe.plugins.erase("wayland");
    const WindowPlatform choice =
        ChooseWindowPlatform({c.qt_qpa_platform, c.display, c.wayland_display, c.xdg_runtime_dir}, probe);
    const std::string where = "QT_QPA_PLATFORM=" + ShowEnv(c.qt_qpa_platform) + " DISPLAY=" + ShowEnv(c.display) +
                              " WAYLAND_DISPLAY=" + ShowEnv(c.wayland_display) +
                              " XDG_RUNTIME_DIR=" + ShowEnv(c.xdg_runtime_dir) +
                              (c.without_wayland_plugin ? " without the Wayland plug-in" : "");
    EXPECT_EQ(choice.platform, c.platform) << where;
    EXPECT_EQ(choice.failure, c.failure) << where;
  }
}

}  // namespace
}  // namespace desktop
