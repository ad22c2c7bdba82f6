#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/desktop/window_manager_close.h"
#include "host/store/test_store.h"
#include "tests/e2e/child_process.h"
#include "tests/e2e/xvfb_server.h"

// Xlib defines macros such as Status, Bool and None: it comes last.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

// Alerts in real windows: the built utility under Xvfb with the openbox
// window manager, its notes shown by quorvia-inspector.
namespace desktop {
namespace {

using store::testing::CountOf;
using store::testing::TestStore;

// Also well beyond the few seconds an inspector stays without a window,
// even on a busy machine.
constexpr int kWaitMs = 20000;

// Windows come and go while the test walks the tree: a vanished one is
// passed over rather than ending the test.
int IgnoreErrors(Display* /*display*/, XErrorEvent* /*error*/) { return 0; }

// The first item of `window`'s `property` of `type`; none without one.
template <typename T>
std::optional<T> Property(Display* d, Window window, Atom property, Atom type) {
  Atom actual = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  XGetWindowProperty(d, window, property, 0, 1, False, type, &actual, &format, &count, &after, &data);
  std::optional<T> value;
  if (data != nullptr && count >= 1) value = *reinterpret_cast<T*>(data);
  if (data != nullptr) XFree(data);
  return value;
}

// An inspector client window as the window manager shows it.
struct NoteOnScreen {
  Window window = 0;
  int width = 0, height = 0;
  std::string title;
  long pid = 0;
};

class InspectorX11Test : public ::testing::Test {
 protected:
  InspectorX11Test() : display_(XOpenDisplay(server_.display().c_str()), XCloseDisplay) {
    if (!display_) throw std::runtime_error("cannot open the display " + server_.display());
    XSetErrorHandler(IgnoreErrors);
    window_manager_ = std::make_unique<e2e::ChildProcess>(
        "/usr/bin/openbox", std::vector<std::string>{}, std::map<std::string, std::string>{{"DISPLAY", server_.display()}},
        "");
    Display* d = display_.get();
    const Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
    EXPECT_TRUE(e2e::Eventually([&] { return Property<Window>(d, DefaultRootWindow(d), check, XA_WINDOW).has_value(); }))
        << "openbox did not start";
  }
  ~InspectorX11Test() override {
    for (long pid : Inspectors()) kill(static_cast<pid_t>(pid), SIGTERM);
    window_manager_->Kill(SIGTERM);
    window_manager_->Wait(kWaitMs);
  }

  // The environment of the programs this test runs on its store.
  std::map<std::string, std::string> Environment() {
    return {{"DISPLAY", server_.display()}, {"QUORVIA_UI", "gui"},   {"QT_QPA_PLATFORM", ""}, {"WAYLAND_DISPLAY", ""},
            {"QUORVIA_STORE", path_},         {"QUORVIA_LOG", "0"}, {"XDG_RUNTIME_DIR", dir_.File("")}};
  }
  e2e::ProcessResult Utilities(const std::string& command_line) {
    return e2e::Run(e2e::BuiltProgram("quorvia-utilities"), {command_line}, Environment(), "");
  }

  // The inspector processes of this test's user folder, windows or not.
  std::vector<long> Inspectors() {
    const auto program = std::filesystem::canonical(e2e::BuiltProgram("quorvia-inspector"));
    const std::string ours = std::string("XDG_RUNTIME_DIR=") + dir_.File("") + '\0';
    std::vector<long> pids;
    for (const auto& process : std::filesystem::directory_iterator("/proc")) {
      std::error_code gone;
      const std::string name = process.path().filename();
      if (name.find_first_not_of("0123456789") == std::string::npos &&
          std::filesystem::read_symlink(process.path() / "exe", gone) == program &&
          store::testing::ReadFile(process.path() / "environ").find(ours) != std::string::npos) {
        pids.push_back(std::stol(name));
      }
    }
    return pids;
  }
  // The inspectors once there are `count` of them (or those after kWaitMs).
  std::vector<long> AwaitInspectors(std::size_t count) {
    std::vector<long> pids;
    e2e::Eventually([&] { return (pids = Inspectors()).size() == count; }, kWaitMs, 50);
    return pids;
  }

  // The inspector's mapped client windows below `parent` (the root when 0),
  // found below the window manager's frames.
  std::vector<NoteOnScreen> Notes(Window parent = 0) {
    Display* d = display_.get();
    std::vector<NoteOnScreen> notes;
    Window root = 0, up = 0, *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(d, parent != 0 ? parent : DefaultRootWindow(d), &root, &up, &children, &count) == 0) return notes;
    for (unsigned int i = 0; i < count; ++i) {
      XClassHint hint{};
      XWindowAttributes attributes{};
      if (XGetClassHint(d, children[i], &hint) != 0) {
        const bool ours = std::string(hint.res_name) == "quorvia-inspector";
        XFree(hint.res_name);
        XFree(hint.res_class);
        if (ours && XGetWindowAttributes(d, children[i], &attributes) != 0 && attributes.map_state == IsViewable) {
          char* name = nullptr;
          const Atom pid = XInternAtom(d, "_NET_WM_PID", False);
          notes.push_back({children[i], attributes.width, attributes.height,
                           XFetchName(d, children[i], &name) != 0 && name != nullptr ? name : "",
                           Property<long>(d, children[i], pid, XA_CARDINAL).value_or(0)});
          if (name != nullptr) XFree(name);
          continue;
        }
      }
      std::ranges::copy(Notes(children[i]), std::back_inserter(notes));
    }
    if (children != nullptr) XFree(children);
    return notes;
  }

  // The notes once `count` are shown (or whatever is shown after kWaitMs).
  std::vector<NoteOnScreen> AwaitNotes(std::size_t count) {
    std::vector<NoteOnScreen> notes;
    e2e::Eventually([&] { return (notes = Notes()).size() >= count; });
    return notes;
  }

  // Adds an alert of `key` whose text is `body`.
  void AddAlert(const std::string& key, const std::string& body) {
    const auto note = store_.AddItem(alerts_folder_, "IPM.StickyNote", {{"AccountID", key}});
    store::Statement update(store_.db(), "UPDATE items SET body = ? WHERE id = ?");
    update.Bind(1, body).Bind(2, note).Run();
  }

  // The window's ICCCM state (NormalState, IconicState), once the window
  // manager has set it to `expected` or after kWaitMs; -1 without one.
  long AwaitState(Window window, long expected) {
    Display* d = display_.get();
    const Atom wm_state = XInternAtom(d, "WM_STATE", False);
    long state = -1;
    e2e::Eventually([&] { return (state = Property<long>(d, window, wm_state, wm_state).value_or(-1)) == expected; });
    return state;
  }

  // Asks the window manager to make `window` the active one until it is:
  // the inspector's own requests to activate the notes it just showed may
  // still be on their way.
  void Activate(Window window) {
    Display* d = display_.get();
    const Atom active = XInternAtom(d, "_NET_ACTIVE_WINDOW", False);
    int steady = 0;
    for (int waited = 0; waited < kWaitMs; waited += 20) {
      if (waited % 200 == 0 && steady == 0) {
        XEvent activate{};
        activate.xclient.type = ClientMessage;
        activate.xclient.window = window;
        activate.xclient.message_type = active;
        activate.xclient.format = 32;
        activate.xclient.data.l[0] = 2;  // a pager's request: always honoured
        XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask, &activate);
        XSync(d, False);
      }
      const Window now = Property<Window>(d, DefaultRootWindow(d), active, XA_WINDOW).value_or(0);
      if (now == window && ++steady == 15) return;  // active for 300 ms
      if (now != window) steady = 0;
      poll(nullptr, 0, 20);
    }
    ADD_FAILURE() << "the window did not become active";
  }

  // Types `text` (lower-case letters and spaces) into `window`.
  void Type(Window window, const std::string& text) {
    Display* d = display_.get();
    XRaiseWindow(d, window);
    XSetInputFocus(d, window, RevertToParent, CurrentTime);
    XSync(d, False);
    poll(nullptr, 0, 200);
    for (const char c : text) {
      const KeyCode code = XKeysymToKeycode(d, c == ' ' ? XK_space : XStringToKeysym(std::string(1, c).c_str()));
      XTestFakeKeyEvent(d, code, True, CurrentTime);
      XTestFakeKeyEvent(d, code, False, CurrentTime);
    }
    XSync(d, False);
  }

  e2e::XvfbServer server_;
  std::unique_ptr<Display, decltype(&XCloseDisplay)> display_;
  std::unique_ptr<e2e::ChildProcess> window_manager_;
  store::testing::TempDir dir_;
  // The test's store, reporting version 16.0, with the database folder and its alerts folder.
  std::string path_ = dir_.File("crm.db");
  TestStore store_{path_, "16.0"};
  std::int64_t profiles_ = store_.AddFolder("Account Profiles");
  std::int64_t alerts_folder_ = store_.AddFolder("Alerts", profiles_, "IPM.StickyNote");
};

TEST_F(InspectorX11Test, AlertsShowsTheAccountsNotesInOneInspectorAndFrontIconifiesOnlyTheActiveOne) {
  const auto account = store_.AddItem(profiles_, "IPM.Post", {{"AccountID", "K1"}}, "Acme");
  // A window of the test's own, shown and managed by the window manager.
  Display* d = display_.get();
  const Window own = XCreateSimpleWindow(d, DefaultRootWindow(d), 300, 300, 120, 80, 0, 0, 0);
  XMapWindow(d, own);
  XSync(d, False);
  Activate(own);
  EXPECT_EQ(Utilities("Front;" + TestStore::EntryId(account)).status, 1) << "no note is shown";
  EXPECT_EQ(AwaitState(own, NormalState), NormalState);

  // Alerts opens the account's notes in one inspector, titled by their first line.
  const std::pair<const char*, const char*> alerts[] = {{"K1", "one\r\nmore"}, {"K2", "other"}, {"K1", "two"}};
  for (const auto& [key, body] : alerts) AddAlert(key, body);
  ASSERT_EQ(Utilities("Alerts;K1").status, 0);
  const auto notes = AwaitNotes(2);
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ((std::set<std::string>{notes[0].title, notes[1].title}), (std::set<std::string>{"one", "two"}));
  EXPECT_NE(notes[0].pid, 0);
  EXPECT_EQ(notes[1].pid, notes[0].pid) << "one inspector shows them all";
  // The utility ends once the inspector has answered for every note.
  ASSERT_EQ(Utilities("Alerts;K1").status, 0);
  EXPECT_EQ(Notes().size(), 2u) << "open notes are raised, not opened twice";
  Activate(notes[0].window);

  const e2e::ProcessResult front = Utilities("Front;" + TestStore::EntryId(account));
  EXPECT_EQ(front.status, 0) << front.err;
  EXPECT_EQ(AwaitState(notes[0].window, IconicState), IconicState);
  EXPECT_EQ(AwaitState(notes[1].window, NormalState), NormalState);
  EXPECT_EQ(AwaitState(own, NormalState), NormalState);

  // With the active note minimized, the next Front takes the topmost other one.
  ASSERT_EQ(Utilities("Front;" + TestStore::EntryId(account)).status, 0);
  EXPECT_EQ(AwaitState(notes[1].window, IconicState), IconicState);
  EXPECT_EQ(AwaitState(own, NormalState), NormalState);
}

// A burst of AddAlerts through the mail store: one inspector shows every new
// note at its own size, stores a note only once text is typed into it, and
// ends soon after its last window closes.
TEST_F(InspectorX11Test, ABurstOfAddAlertsLeavesOneInspectorThatStoresTypedNotesAndEndsAfterItsLastWindow) {
  // Started with nothing to show, an inspector does not stay.
  e2e::ChildProcess alone(e2e::BuiltProgram("quorvia-inspector"), {}, Environment(), "");
  EXPECT_EQ(alone.Wait(kWaitMs).status, 0) << "an inspector without a window ends within a few seconds";

  std::deque<e2e::ChildProcess> burst;
  for (int i = 0; i < 10; ++i) {
    burst.emplace_back(e2e::BuiltProgram("quorvia-utilities"), std::vector<std::string>{"AddAlerts;K1;Acme;Ann;North;East"},
                       Environment(), "");
  }
  for (auto& added : burst) {
    const e2e::ProcessResult result = added.Wait(kWaitMs);
    EXPECT_EQ(result.status, 0) << result.err;
  }
  const auto notes = AwaitNotes(10);
  ASSERT_EQ(notes.size(), 10u);
  const std::vector<long> inspectors = AwaitInspectors(1);
  ASSERT_EQ(inspectors.size(), 1u) << "the inspectors that lost the race hand over and end";
  for (const NoteOnScreen& note : notes) EXPECT_EQ(note.pid, inspectors.front());
  EXPECT_EQ(notes[0].width, 240) << "the inspector's own size";
  EXPECT_EQ(notes[0].height, 200);
  EXPECT_EQ(store_.ItemCount(alerts_folder_), 0) << "not stored before it has text";

  Type(notes[0].window, "renewal");
  // The first item of the alerts folder, once its body is what was typed.
  const std::string first = "SELECT id FROM items WHERE folder = " + std::to_string(alerts_folder_);
  std::int64_t stored = -1;
  ASSERT_TRUE(e2e::Eventually(
      [&] { return (stored = CountOf(store_.db(), first)) > 0 && store_.Column(stored, "body") == "renewal"; }, kWaitMs,
      50))
      << "no note was stored with the typed text";
  EXPECT_EQ(store_.Text(stored, "AccountID"), "K1");
  EXPECT_EQ(store_.Text(stored, "Alignment"), "East");
  EXPECT_EQ(store_.ItemCount(alerts_folder_), 1);
  EXPECT_EQ(std::ranges::count(Notes(), std::string("renewal"), &NoteOnScreen::title), 1);

  for (const NoteOnScreen& note : notes) CloseAsWindowManager(display_.get(), note.window);
  EXPECT_EQ(AwaitInspectors(0).size(), 0u) << "the inspector ends once its last window is closed";
}

}  // namespace
}  // namespace desktop
