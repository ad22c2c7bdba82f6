#pragma once

#include <cstdint>
#include <string>

#include "host/tour.h"

namespace desktop {

// Top-level windows on the X display that DISPLAY names, over its own
// connection, mapped or not: a child of the root window, or a window at any
// depth inside one down to the program's window that a window manager's
// frames hold (the one it marks with WM_STATE). A window's title is its
// _NET_WM_NAME, else its WM_NAME. No display means no window.
class X11WindowLookup : public host::WindowLookup {
 public:
  std::uint64_t FindWindowA(const std::string& title) override;
};

}  // namespace desktop
