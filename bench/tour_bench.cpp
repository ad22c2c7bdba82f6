// tour_bench: how long "Help" takes from the program's start until its first
// slide is mapped on an X server (a private Xvfb), and its peak memory,
// against window_floor, the least Qt program that shows the same window and
// ends the same way when the window manager closes it.
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "host/desktop/window_manager_close.h"
#include "tests/e2e/xvfb_server.h"

// Xlib defines macros such as Status, Bool and None: it comes last.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace bench {
namespace {

using Clock = std::chrono::steady_clock;

constexpr char kSlideTitle[] = "Quorvia Overview";
constexpr int kWaitMs = 20000;
constexpr double kGoalSeconds = 0.300;

struct Launch {
  double to_map = 0;  // seconds from the fork to the first slide's MapNotify
  Sample run;         // from the fork to the end of the process
};

std::string Title(Display* display, Window window) {
  Atom type = 0;
  int format = 0;
  unsigned long length = 0, remaining = 0;
  unsigned char* data = nullptr;
  std::string title;
  if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), 0, 256, False,
                         AnyPropertyType, &type, &format, &length, &remaining, &data) == Success &&
      data != nullptr) {
    title.assign(reinterpret_cast<const char*>(data), length);
  }
  if (data != nullptr) XFree(data);
  return title;
}

// Waits for the MapNotify of a window titled kSlideTitle; yields it, or 0.
Window AwaitSlide(Display* display) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(kWaitMs);
  pollfd fd{ConnectionNumber(display), POLLIN, 0};
  while (Clock::now() < deadline) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == MapNotify && Title(display, event.xmap.window) == kSlideTitle) {
        return event.xmap.window;
      }
    }
    poll(&fd, 1, 50);
  }
  return 0;
}

// One run of `args`: when `slide`, until its slide is mapped, then closed.
Launch RunOnce(Display* display, const std::vector<std::string>& args,
               const std::map<std::string, std::string>& env, bool slide) {
  XSync(display, True);  // forget the events of earlier runs
  Launch launch;
  const auto start = Clock::now();
  const pid_t pid = StartQuiet(args, env);
  if (slide) {
    const Window window = AwaitSlide(display);
    launch.to_map = std::chrono::duration<double>(Clock::now() - start).count();
    if (window == 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
      Fail("the first slide was not mapped within 20 s");
    }
    desktop::CloseAsWindowManager(display, window);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  launch.run = ChildSample(std::chrono::duration<double>(Clock::now() - start).count(), usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) Fail(args.back() + ": the program did not end with 0");
  return launch;
}

int Run(const Options& options) {
  WorkFolder folder(options);
  folder.MakeStore(kSmall);
  e2e::XvfbServer server;
  Display* display = XOpenDisplay(server.display().c_str());
  if (display == nullptr) Fail("cannot open the Xvfb display " + server.display());
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  const std::string program = std::string(QUORVIA_BIN_DIR) + "/quorvia-utilities";
  const std::map<std::string, std::string> env = {
      {"DISPLAY", server.display()}, {"QUORVIA_UI", "gui"},   {"QT_QPA_PLATFORM", ""},
      {"WAYLAND_DISPLAY", ""},       {"QUORVIA_LOG", "0"},    {"QUORVIA_STORE", folder.Path(kSmall.file).string()}};

  // The ways take turns; the first round, a warm-up, fills caches and fonts.
  const std::vector<std::vector<std::string>> ways = {
      {program, "Help"}, {QUORVIA_WINDOW_FLOOR, "slide", QUORVIA_OVERVIEW_PICTURE}, {program, "--version"}};
  std::vector<std::vector<double>> to_map(2);
  const WaySamples samples = RunRounds(options.repetitions, ways.size(), [&](std::size_t way, bool warm_up) {
    const Launch launch = RunOnce(display, ways[way], env, way < 2);
    if (!warm_up && way < 2) to_map[way].push_back(launch.to_map);
    return launch.run;
  });
  XCloseDisplay(display);
  const double program_map = Median(to_map[0]);
  const double floor_map = Median(to_map[1]);
  std::cout << "\n\"Help\" on a private Xvfb (SMALL demo store), " << options.repetitions
            << " rounds after one warm-up round\n\n";
  PrintTable({{"figure", "value"},
              {"Help: start to first slide mapped", MillisSpread(to_map[0]) + " ms (goal <= " + Millis(kGoalSeconds) +
                                                        " ms, " + (program_map <= kGoalSeconds ? "met" : "missed") + ")"},
              {"window_floor: start to the same window mapped", MillisSpread(to_map[1]) + " ms"},
              {"Help / window_floor, first slide mapped", Fixed(program_map / floor_map, 2)}});
  std::cout << "\nstart to end (each closed by the window manager once its window is mapped)\n";
  WayTable table = NewWayTable();
  AddWays(table, {}, {"quorvia-utilities Help", "window_floor slide", "quorvia-utilities --version"}, samples, 1,
          kNoWayJudged, 0);
  PrintWays(table);
  return 0;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
  return bench::BenchmarkMain(argc, argv, "tour_bench",
      "Times \"Help\" from the program's start to its first slide mapped on a private Xvfb,\n"
      "and its peak memory.", bench::Run);
}
