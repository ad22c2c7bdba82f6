#pragma once

#include <stdexcept>

namespace desktop {

// How message boxes reach the user: Qt windows or the terminal.
enum class UiMode { kGui, kConsole };

// Picks the UI from the values of QUORVIA_UI, DISPLAY and WAYLAND_DISPLAY
// (each may be null for unset). QUORVIA_UI "gui" or "console" decides; unset
// or empty, the UI is gui when DISPLAY or WAYLAND_DISPLAY is non-empty and
// console otherwise. Any other QUORVIA_UI throws std::invalid_argument.
UiMode ChooseUi(const char* quorvia_ui, const char* display, const char* wayland_display);

// QUORVIA_UI=gui was asked for, but no window can be opened. what() is
// "cannot open a window: REASON (set QUORVIA_UI=console to use the terminal)".
class NoWindow : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// The UI of this run, from the process's environment: ChooseUi's answer, and
// for gui the windows prepared (PrepareWindows) before any Qt object exists.
// When no window can be opened, a default gui becomes console and an explicit
// QUORVIA_UI=gui throws NoWindow. Throws like ChooseUi on a bad QUORVIA_UI.
UiMode StartUi();

}  // namespace desktop
