#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/desktop/display_variable.h"
#include "host/desktop/window_manager_close.h"
#include "host/desktop/x11_window_lookup.h"
#include "host/store/test_store.h"
#include "tests/e2e/child_process.h"
#include "tests/e2e/xvfb_server.h"

// Xlib defines macros such as Status, Bool and None: it comes last.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

// The tour on a real X server: the lookup of other programs' windows, and
// the built program's slide window as a window manager sees it.
namespace desktop {
namespace {

constexpr int kWaitMs = 20000;

using testing::DisplayVariable;

class TourX11Test : public ::testing::Test {
 protected:
  TourX11Test() : display_(XOpenDisplay(server_.display().c_str()), XCloseDisplay) {
    const auto profiles = store_.AddFolder("Account Profiles");
    store_.AddFolder("Contacts", profiles);
  }

  // A window of this test's own below `parent` (the root when 0), titled
  // through `property` unless `title` is empty.
  Window MakeWindow(const std::string& title, Atom property, bool mapped, Window parent = 0) {
    Display* d = display_.get();
    const Window window =
        XCreateSimpleWindow(d, parent != 0 ? parent : DefaultRootWindow(d), 0, 0, 100, 50, 0, 0, 0);
    if (!title.empty()) {
      XChangeProperty(d, window, property,
                      property == XA_WM_NAME ? XA_STRING : XInternAtom(d, "UTF8_STRING", False), 8,
                      PropModeReplace, reinterpret_cast<const unsigned char*>(title.data()),
                      static_cast<int>(title.size()));
    }
    if (mapped) XMapWindow(d, window);
    XSync(d, False);
    return window;
  }

  // Marks `window` as a window manager marks the program's window it manages.
  void SetWmState(Window window, long state) {
    Display* d = display_.get();
    const Atom wm_state = XInternAtom(d, "WM_STATE", False);
    const long data[2] = {state, 0};
    XChangeProperty(d, window, wm_state, wm_state, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(data), 2);
    XSync(d, False);
  }

  // Runs the built program's "Help" on the server's display (or `display`),
  // with QUORVIA_UI `ui`.
  std::unique_ptr<e2e::ChildProcess> StartHelp(const std::string& ui = "gui", const std::string& display = "") {
    const std::map<std::string, std::string> env = {{"DISPLAY", display.empty() ? server_.display() : display},
                                                    {"QUORVIA_UI", ui}, {"QT_QPA_PLATFORM", ""}, {"WAYLAND_DISPLAY", ""},
                                                    {"QUORVIA_STORE", path_}, {"QUORVIA_LOG", "0"}};
    return std::make_unique<e2e::ChildProcess>(e2e::BuiltProgram("quorvia-utilities"), std::vector<std::string>{"Help"},
                                               env, "");
  }

  // The top-level window of that title once it is shown; 0 when it is not
  // within kWaitMs.
  std::uint64_t AwaitWindow(const std::string& title) {
    DisplayVariable on(server_.display());
    std::uint64_t window = 0;
    XWindowAttributes attributes;
    const bool shown = e2e::Eventually([&] {
      window = X11WindowLookup().FindWindowA(title);
      return window != 0 && XGetWindowAttributes(display_.get(), window, &attributes) != 0 &&
             attributes.map_state == IsViewable;
    });
    return shown ? window : 0;
  }

  e2e::XvfbServer server_;
  std::unique_ptr<Display, decltype(&XCloseDisplay)> display_;
  store::testing::TempDir dir_;
  std::string path_ = dir_.File("crm.db");
  store::testing::TestStore store_{path_};
};

TEST_F(TourX11Test, FindsATopLevelWindowByItsTitleAndHelpShowsNothingWhileREDirazIsOpen) {
  ASSERT_TRUE(display_);
  Display* d = display_.get();
  const Atom net_wm_name = XInternAtom(d, "_NET_WM_NAME", False);
  // Each case leaves one window titled so (or not) and says whether
  // "REDiraz" finds it.
  const std::vector<std::pair<std::string, std::function<Window()>>> cases = {
      {"shown, WM_NAME", [&] { return MakeWindow("REDiraz", XA_WM_NAME, true); }},
      {"never mapped", [&] { return MakeWindow("REDiraz", XA_WM_NAME, false); }},
      {"lower case, _NET_WM_NAME", [&] { return MakeWindow("rediraz", net_wm_name, true); }},
      {"in two frames",
       [&] {
         const Window outer = MakeWindow("", XA_WM_NAME, true);
         const Window inner = MakeWindow("", XA_WM_NAME, true, outer);
         return MakeWindow("REDiraz", XA_WM_NAME, true, inner);
       }},
      {"minimized in its frame",
       [&] {
         const Window frame = MakeWindow("", XA_WM_NAME, false);
         const Window client = MakeWindow("REDiraz", net_wm_name, false, frame);
         SetWmState(client, IconicState);
         return client;
       }},
  };
  DisplayVariable on(server_.display());
  for (const auto& [what, make] : cases) {
    const Window window = make();
    EXPECT_EQ(X11WindowLookup().FindWindowA("REDiraz"), window) << what;
    XDestroyWindow(d, window);
    XSync(d, False);
  }

  const Window program = MakeWindow("Entwürfe – REDiraz", net_wm_name, true);
  SetWmState(program, NormalState);
  MakeWindow("REDiraz", XA_WM_NAME, true, program);  // a program's own subwindow is not top-level
  EXPECT_EQ(X11WindowLookup().FindWindowA("REDiraz"), 0u);
  EXPECT_EQ(X11WindowLookup().FindWindowA("REDiraz "), 0u);
  EXPECT_EQ(X11WindowLookup().FindWindowA("ENTWÜRFE – rediraz"), program);

  // With a REDiraz window open, Help shows nothing and ends.
  MakeWindow("REDiraz", XA_WM_NAME, true);
  // On the terminal the lookup still looks on the display, through the GUI
  // module loaded for it alone.
  for (const char* ui : {"gui", "console"}) {
    const e2e::ProcessResult result = StartHelp(ui)->Wait(kWaitMs);
    EXPECT_EQ(result.status, 0) << "QUORVIA_UI=" << ui << ": " << result.err;
    EXPECT_EQ(result.out + result.err, "") << "QUORVIA_UI=" << ui;
  }
}

TEST_F(TourX11Test, TheFirstSlideIsMappedAndClosingItThroughTheWindowManagerEndsTheProgram) {
  const auto help = StartHelp();
  const std::uint64_t slide = AwaitWindow("Quorvia Overview");
  ASSERT_NE(slide, 0u) << "the first slide was not mapped";
  Display* d = display_.get();
  XWindowAttributes attributes;
  ASSERT_NE(XGetWindowAttributes(d, slide, &attributes), 0);
  EXPECT_EQ(attributes.width, 662);
  EXPECT_EQ(attributes.height, 457);

  desktop::CloseAsWindowManager(d, slide);
  const e2e::ProcessResult result = help->Wait(kWaitMs);
  EXPECT_EQ(result.status, 0) << result.err;
}

TEST_F(TourX11Test, ADisplayLostAfterItsCheckEndsTheRunAsAbandonedWithTheReason) {
  struct Case {
    std::string what;
    int passed;                       // connections that reach the server
    bool cut_once_shown;              // the display goes, with its connections, once the slide is shown
    std::string reason;
  };
  for (const Case& each : std::vector<Case>{
           // The display check, the REDiraz lookup and the check before the
           // first window get through, Qt does not.
           {"Qt cannot connect", 3, false, "quorvia-utilities: cannot go on with the display: "},
           {"the connection breaks", 1000, true, "quorvia-utilities: lost the connection to the X display "}}) {
    auto flaky = std::make_unique<e2e::FlakyDisplay>(server_, each.passed);
    const std::string display = flaky->display();
    const auto help = StartHelp("gui", display);
    if (each.cut_once_shown) {
      ASSERT_NE(AwaitWindow("Quorvia Overview"), 0u) << each.what;
      flaky.reset();
    }
    const e2e::ProcessResult result = help->Wait(kWaitMs);
    EXPECT_EQ(result.status, 4) << each.what << ": " << result.err;
    EXPECT_NE(result.err.find(each.reason), std::string::npos) << each.what << ": " << result.err;
    EXPECT_NE(result.err.find(display), std::string::npos) << each.what << ": " << result.err;
  }
}

}  // namespace
}  // namespace desktop
