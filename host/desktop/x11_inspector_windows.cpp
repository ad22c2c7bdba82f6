#include "host/desktop/x11_inspector_windows.h"

#include <memory>
#include <string>
#include <vector>

#include "host/error.h"

// Xlib defines macros such as Status, Bool and None: it comes last.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace desktop {
namespace {

constexpr char kInspectorClass[] = "quorvia-inspector";

// A window may go away while it is being looked at; Xlib's own handler would
// end the process on the BadWindow that follows.
int IgnoreErrors(Display* /*display*/, XErrorEvent* /*error*/) { return 0; }

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};
using Connection = std::unique_ptr<Display, DisplayCloser>;

Connection Open() {
  XSetErrorHandler(IgnoreErrors);
  return Connection(XOpenDisplay(nullptr));
}

// The window-typed list in `property` of `window`.
std::vector<Window> Windows(Display* display, Window window, const char* property) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  std::vector<Window> windows;
  if (XGetWindowProperty(display, window, XInternAtom(display, property, False), 0, 65536, False, XA_WINDOW,
                         &type, &format, &count, &remaining, &data) == Success &&
      data != nullptr && format == 32) {
    const auto* ids = reinterpret_cast<const unsigned long*>(data);
    windows.assign(ids, ids + count);
  }
  if (data != nullptr) XFree(data);
  return windows;
}

bool IsInspector(Display* display, Window window) {
  XClassHint hint{};
  if (window == 0 || XGetClassHint(display, window, &hint) == 0) return false;
  const bool inspector = hint.res_name != nullptr && std::string(hint.res_name) == kInspectorClass;
  if (hint.res_name != nullptr) XFree(hint.res_name);
  if (hint.res_class != nullptr) XFree(hint.res_class);
  return inspector;
}

// Whether the window is shown: its ICCCM state is NormalState.
bool IsNormal(Display* display, Window window) {
  const Atom wm_state = XInternAtom(display, "WM_STATE", False);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  bool normal = false;
  if (XGetWindowProperty(display, window, wm_state, 0, 2, False, wm_state, &type, &format, &count, &remaining,
                         &data) == Success &&
      data != nullptr && count >= 1) {
    normal = *reinterpret_cast<const unsigned long*>(data) == NormalState;
  }
  if (data != nullptr) XFree(data);
  return normal;
}

}  // namespace

std::optional<std::uint64_t> ActiveInspectorWindow() {
  const Connection connection = Open();
  Display* display = connection.get();
  if (display == nullptr) return std::nullopt;
  const Window root = DefaultRootWindow(display);
  const std::vector<Window> active = Windows(display, root, "_NET_ACTIVE_WINDOW");
  if (!active.empty() && IsInspector(display, active.front()) && IsNormal(display, active.front())) {
    return active.front();
  }
  const std::vector<Window> stacking = Windows(display, root, "_NET_CLIENT_LIST_STACKING");
  for (auto window = stacking.rbegin(); window != stacking.rend(); ++window) {
    if (IsInspector(display, *window) && IsNormal(display, *window)) return *window;
  }
  return std::nullopt;
}

void IconifyWindow(std::uint64_t window) {
  const Connection connection = Open();
  Display* display = connection.get();
  if (display == nullptr) throw host::Error(host::kNotSupported, "there is no X display to minimize a window on");
  XEvent change{};
  change.xclient.type = ClientMessage;
  change.xclient.window = window;
  change.xclient.message_type = XInternAtom(display, "WM_CHANGE_STATE", False);
  change.xclient.format = 32;
  change.xclient.data.l[0] = IconicState;
  const Status sent = XSendEvent(display, DefaultRootWindow(display), False,
                                 SubstructureRedirectMask | SubstructureNotifyMask, &change);
  XSync(display, False);
  if (sent == 0) throw host::Error(host::kNotSupported, "the window manager could not be asked to minimize the window");
}

}  // namespace desktop
