#pragma once

#include <cstdint>
#include <optional>

// The inspector's windows on the X display that DISPLAY names, as the window
// manager sees them (EWMH and ICCCM), over a connection of their own.
namespace desktop {

// The active window when it is an inspector window (WM_CLASS
// "quorvia-inspector"), else the topmost inspector window in the window
// manager's stacking order that is not minimized; nullopt when there is
// none, or no display.
std::optional<std::uint64_t> ActiveInspectorWindow();

// Asks the window manager to iconify the window (WM_CHANGE_STATE with
// IconicState). Throws host::Error when there is no display or no such window.
void IconifyWindow(std::uint64_t window);

}  // namespace desktop
