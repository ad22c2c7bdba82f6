#include <gtest/gtest.h>
#include <poll.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "host/desktop/display_variable.h"
#include "host/desktop/window_manager_close.h"
#include "host/desktop/x11_window_lookup.h"
#include "host/store/test_store.h"
#include "tests/e2e/child_process.h"
#include "tests/e2e/xvfb_server.h"

// Xlib defines macros such as Status, Bool and None: it comes last.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

// The tour on a real X server: the lookup of other programs' windows, and
// the built program's slide window as a window manager sees it.
namespace desktop {
namespace {

constexpr int kWaitMs = 20000;

using testing::DisplayVariable;

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};

class TourX11Test : public ::testing::Test {
 protected:
  TourX11Test() : display_(XOpenDisplay(server_.display().c_str())) {
    const auto profiles = store_.AddFolder("Account Profiles");
    store_.AddFolder("Contacts", profiles);
  }

  // A top-level window of this test's own, titled through `property`.
  Window MakeWindow(const std::string& title, Atom property, bool mapped) {
    Display* d = display_.get();
    const Window window = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 100, 50, 0, 0, 0);
    XChangeProperty(d, window, property, property == XA_WM_NAME ? XA_STRING : XInternAtom(d, "UTF8_STRING", False),
                    8, PropModeReplace, reinterpret_cast<const unsigned char*>(title.data()),
                    static_cast<int>(title.size()));
    if (mapped) XMapWindow(d, window);
    XSync(d, False);
    return window;
  }

  // Runs the built program's "Help" on the server's display, with QUORVIA_UI
  // `ui`.
  std::unique_ptr<e2e::ChildProcess> StartHelp(const std::string& ui = "gui") {
    return std::make_unique<e2e::ChildProcess>(
        e2e::BuiltProgram("quorvia-utilities"), std::vector<std::string>{"Help"},
        std::map<std::string, std::string>{{"DISPLAY", server_.display()},
                                           {"QUORVIA_UI", ui},
                                           {"QT_QPA_PLATFORM", ""},
                                           {"WAYLAND_DISPLAY", ""},
                                           {"QUORVIA_STORE", path_},
                                           {"QUORVIA_LOG", "0"}},
        "");
  }

  // The shown top-level window of that title, once it appears; 0 when it
  // does not within kWaitMs.
  std::uint64_t AwaitWindow(const std::string& title) {
    DisplayVariable on(server_.display());
    for (int waited = 0; waited < kWaitMs; waited += 20) {
      if (const std::uint64_t window = X11WindowLookup().FindWindowA(title)) return window;
      poll(nullptr, 0, 20);
    }
    return 0;
  }

  e2e::XvfbServer server_;
  std::unique_ptr<Display, DisplayCloser> display_;
  store::testing::TempDir dir_;
  std::string path_ = dir_.File("crm.db");
  store::testing::TestStore store_{path_};
};

TEST_F(TourX11Test, FindsAShownTopLevelWindowByItsExactTitle) {
  ASSERT_TRUE(display_);
  Display* d = display_.get();
  const Window by_wm_name = MakeWindow("REDiraz", XA_WM_NAME, true);
  MakeWindow("Entwürfe – REDiraz", XInternAtom(d, "_NET_WM_NAME", False), true);
  MakeWindow("Hidden", XA_WM_NAME, false);
  DisplayVariable on(server_.display());
  X11WindowLookup lookup;
  EXPECT_EQ(lookup.FindWindowA("REDiraz"), by_wm_name);
  EXPECT_NE(lookup.FindWindowA("Entwürfe – REDiraz"), 0u);
  EXPECT_EQ(lookup.FindWindowA("rediraz"), 0u);
  EXPECT_EQ(lookup.FindWindowA("REDiraz "), 0u);
  EXPECT_EQ(lookup.FindWindowA("Hidden"), 0u);
  DisplayVariable nowhere(testing::FreeDisplay());
  EXPECT_EQ(X11WindowLookup().FindWindowA("REDiraz"), 0u) << "without a display nothing is found";
}

TEST_F(TourX11Test, AREDirazWindowMeansHelpShowsNothingAndEnds) {
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

}  // namespace
}  // namespace desktop
