#pragma once

#include <functional>
#include <stdexcept>
#include <string>

#include "host/desktop/gui_module.h"

namespace desktop {

// How message boxes reach the user: Qt windows or the terminal.
enum class UiMode { kGui, kConsole };

// Picks the UI from the values of QUORVIA_UI, DISPLAY and WAYLAND_DISPLAY
// (each may be null for unset). QUORVIA_UI "gui" or "console" decides; unset
// or empty, the UI is gui when DISPLAY or WAYLAND_DISPLAY is non-empty and
// console otherwise. Any other QUORVIA_UI throws std::invalid_argument.
UiMode ChooseUi(const char* quorvia_ui, const char* display, const char* wayland_display);

// QUORVIA_UI=gui was asked for, but no window can be opened (or the GUI
// module that opens them cannot be loaded). what() is
// "cannot open a window: REASON (set QUORVIA_UI=console to use the terminal)".
class NoWindow : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// How a run reaches the user: `module` is null when it uses the terminal.
// `fallback` says why a run that wanted windows (QUORVIA_UI unset, a display
// set) uses the terminal instead; "" otherwise.
struct StartedUi {
  GuiModule* module = nullptr;
  std::string fallback;
};

// The UI of this run: the terminal when ChooseUi answers console on these
// values, else the module that `load` yields, with its windows prepared
// (PrepareWindows) before any Qt object exists. When `load` throws
// GuiModuleUnavailable or no window can be opened, a default gui becomes
// console with the reason in `fallback`, and an explicit QUORVIA_UI=gui
// throws NoWindow with it. Throws like ChooseUi on a bad QUORVIA_UI.
StartedUi StartUi(const char* quorvia_ui, const char* display, const char* wayland_display,
                  const std::function<GuiModule&()>& load);

// StartUi on this process's environment, with the module that `load` yields.
StartedUi StartUi(const std::function<GuiModule&()>& load);

}  // namespace desktop
