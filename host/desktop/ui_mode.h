#pragma once

namespace desktop {

// How message boxes reach the user: Qt windows or the terminal.
enum class UiMode { kGui, kConsole };

// Picks the UI from the values of QUORVIA_UI, DISPLAY and WAYLAND_DISPLAY
// (each may be null for unset). QUORVIA_UI "gui" or "console" decides; unset
// or empty, the UI is gui when DISPLAY or WAYLAND_DISPLAY is non-empty and
// console otherwise. Any other QUORVIA_UI throws std::invalid_argument.
UiMode ChooseUi(const char* quorvia_ui, const char* display, const char* wayland_display);

}  // namespace desktop
