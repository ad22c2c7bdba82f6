#include "host/desktop/x11_window_lookup.h"

#include <QString>
#include <memory>
#include <optional>
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

// One search of the tree for a title, over one connection.
class TitleSearch {
 public:
  TitleSearch(Display* display, const std::string& title)
      : display_(display),
        title_(QString::fromStdString(title)),
        net_wm_name_(XInternAtom(display, "_NET_WM_NAME", False)),
        wm_state_(XInternAtom(display, "WM_STATE", False)) {}

  // `window` or the first window below it with the title, as long as it is
  // not inside a program's own top-level window; 0 when there is none.
  Window From(Window window) const {
    if (Titled(window)) return window;
    // A window manager marks the program's window it manages with WM_STATE;
    // what lies inside it is the program's own, not top-level.
    if (Has(window, wm_state_)) return 0;
    for (const Window child : Children(display_, window)) {
      if (const Window found = From(child)) return found;
    }
    return 0;
  }

 private:
  // Case is ignored, as the desktop's own lookup of window titles ignores it.
  bool Titled(Window window) const {
    for (const Atom property : {net_wm_name_, static_cast<Atom>(XA_WM_NAME)}) {
      if (const auto text = Text(window, property)) return text->compare(title_, Qt::CaseInsensitive) == 0;
    }
    return false;
  }

  // The text of `property` on `window`: WM_NAME of type STRING is Latin-1,
  // the rest is read as UTF-8; nullopt when the window has no such property.
  std::optional<QString> Text(Window window, Atom property) const {
    Atom type = 0;
    int format = 0;
    unsigned long length = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display_, window, property, 0, 1024, False, AnyPropertyType, &type, &format, &length,
                           &remaining, &data) != Success) {
      return std::nullopt;
    }
    std::optional<QString> text;
    if (data != nullptr && format == 8) {
      const auto* bytes = reinterpret_cast<const char*>(data);
      text = type == XA_STRING ? QString::fromLatin1(bytes, static_cast<qsizetype>(length))
                               : QString::fromUtf8(bytes, static_cast<qsizetype>(length));
    }
    if (data != nullptr) XFree(data);
    return text;
  }

  bool Has(Window window, Atom property) const {
    Atom type = 0;
    int format = 0;
    unsigned long length = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    const bool has = XGetWindowProperty(display_, window, property, 0, 0, False, AnyPropertyType, &type, &format,
                                        &length, &remaining, &data) == Success &&
                     type != 0;
    if (data != nullptr) XFree(data);
    return has;
  }

  Display* display_;
  QString title_;
  Atom net_wm_name_;
  Atom wm_state_;
};

}  // namespace

std::uint64_t X11WindowLookup::FindWindowA(const std::string& title) {
  const std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(nullptr));
  if (!display) return 0;
  const auto previous = XSetErrorHandler(IgnoreErrors);
  const TitleSearch search(display.get(), title);
  std::uint64_t found = 0;
  for (const Window top : Children(display.get(), DefaultRootWindow(display.get()))) {
    if ((found = search.From(top)) != 0) break;
  }
  XSync(display.get(), False);
  XSetErrorHandler(previous);
  return found;
}

}  // namespace desktop
