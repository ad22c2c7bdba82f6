#pragma once

#include <string>

namespace desktop {

// What the environment says about where windows go; each member is null when
// the variable is unset.
struct WindowEnvironment {
  const char* qt_qpa_platform = nullptr;
  const char* display = nullptr;
  const char* wayland_display = nullptr;
  const char* xdg_runtime_dir = nullptr;

  // The values of this process's environment.
  static WindowEnvironment FromProcess();
};

// The checks behind the choice, each answered without making any window.
class DisplayProbe {
 public:
  virtual ~DisplayProbe() = default;
  // Whether Qt has the platform plug-in of that name ("xcb", "wayland", ...).
  virtual bool HasPlugin(const std::string& platform) = 0;
  // Whether a Wayland compositor accepts a connection on that socket path.
  virtual bool WaylandAccepts(const std::string& socket_path) = 0;
  // Whether the X display of that name can be opened.
  virtual bool XDisplayOpens(const std::string& display) = 0;
};

// The Qt platform windows can use ("xcb", "wayland", "offscreen:...", as Qt
// reads QT_QPA_PLATFORM), or, when `platform` is empty, why none can.
struct WindowPlatform {
  std::string platform;
  std::string failure;
};

// Chooses the platform. A non-empty QT_QPA_PLATFORM is honoured: the first of
// its ';'-separated entries that works (offscreen and minimal always do).
// Otherwise Wayland when WAYLAND_DISPLAY is set, its socket accepts and the
// plug-in is there, else X11 when DISPLAY opens.
WindowPlatform ChooseWindowPlatform(const WindowEnvironment& env, DisplayProbe& probe);

// The one door to windows, called before any QApplication exists: chooses
// with the real probe and pins the choice in QT_QPA_PLATFORM, so that Qt
// cannot pick another and abort. Yields "" when windows can be opened, else
// the reason they cannot.
std::string PrepareWindows();

}  // namespace desktop
