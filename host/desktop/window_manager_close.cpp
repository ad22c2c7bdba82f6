#include "host/desktop/window_manager_close.h"

#include <X11/Xlib.h>

namespace desktop {

void CloseAsWindowManager(_XDisplay* display, unsigned long window) {
  XEvent close{};
  close.xclient.type = ClientMessage;
  close.xclient.window = window;
  close.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  close.xclient.format = 32;
  close.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  close.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &close);
  XSync(display, False);
}

}  // namespace desktop
