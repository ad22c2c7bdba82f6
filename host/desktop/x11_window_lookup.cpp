#include "host/desktop/x11_window_lookup.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

// Xlib defines macros such as Status, Bool and None: it comes last.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace desktop {
namespace {

// A window may go away while it is being looked at; Xlib's own handler would
// end the process on the BadWindow that follows.
int IgnoreErrors(Display* /*display*/, XErrorEvent* /*error*/) { return 0; }

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};

// The text of `property` on `window`, in whichever encoding it is stored;
// empty when the window has none.
std::string TextProperty(Display* display, Window window, Atom property) {
  Atom type = 0;
  int format = 0;
  unsigned long length = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, property, 0, 1024, False, AnyPropertyType, &type, &format,
                         &length, &remaining, &data) != Success) {
    return "";
  }
  std::string text;
  if (data != nullptr && format == 8) text.assign(reinterpret_cast<const char*>(data), length);
  if (data != nullptr) XFree(data);
  return text;
}

std::vector<Window> Children(Display* display, Window window) {
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (XQueryTree(display, window, &root, &parent, &children, &count) == 0) return {};
  std::vector<Window> list(children, children + count);
  if (children != nullptr) XFree(children);
  return list;
}

bool Viewable(Display* display, Window window) {
  XWindowAttributes attributes;
  return XGetWindowAttributes(display, window, &attributes) != 0 &&
         attributes.map_state == IsViewable;
}

}  // namespace

std::uint64_t X11WindowLookup::FindWindowA(const std::string& title) {
  const std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(nullptr));
  if (!display) return 0;
  const auto previous = XSetErrorHandler(IgnoreErrors);
  const Atom net_wm_name = XInternAtom(display.get(), "_NET_WM_NAME", False);
  const auto titled = [&](Window window) {
    return Viewable(display.get(), window) &&
           (TextProperty(display.get(), window, net_wm_name) == title ||
            TextProperty(display.get(), window, XA_WM_NAME) == title);
  };
  std::uint64_t found = 0;
  for (const Window top : Children(display.get(), DefaultRootWindow(display.get()))) {
    // A reparenting window manager keeps the program's window inside its frame.
    std::vector<Window> candidates{top};
    const std::vector<Window> inner = Children(display.get(), top);
    candidates.insert(candidates.end(), inner.begin(), inner.end());
    const auto match = std::find_if(candidates.begin(), candidates.end(), titled);
    if (match != candidates.end()) {
      found = *match;
      break;
    }
  }
  XSync(display.get(), False);
  XSetErrorHandler(previous);
  return found;
}

}  // namespace desktop
