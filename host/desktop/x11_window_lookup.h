#pragma once

#include <cstdint>
#include <string>

#include "host/tour.h"

namespace desktop {

// Top-level windows on the X display that DISPLAY names, over its own
// connection: a window counts when it is viewable and is a child of the root
// window or of a window manager's frame there, and its title is its
// _NET_WM_NAME or WM_NAME. No display means no window.
class X11WindowLookup : public host::WindowLookup {
 public:
  std::uint64_t FindWindowA(const std::string& title) override;
};

}  // namespace desktop
