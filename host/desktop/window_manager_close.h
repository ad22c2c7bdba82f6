#pragma once

// Xlib's display connection, declared here so that X11's headers (and their
// macros) stay in the one .cpp that uses them.
struct _XDisplay;

namespace desktop {

// For tests and benchmarks: asks `window` to close as a window manager does when the user clicks its
// close box: a WM_PROTOCOLS client message carrying WM_DELETE_WINDOW.
void CloseAsWindowManager(_XDisplay* display, unsigned long window);

}  // namespace desktop
