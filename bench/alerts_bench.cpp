// alerts_bench: "Alerts" for an account with 50 alerts on a private Xvfb with
// openbox, from the utility's start until all 50 note windows are mapped,
// against window_floor, the least Qt program that shows 50 such windows,
// with the CPU time and peak memory of the processes that showed them; and
// one more Display handed to a running inspector against one that has to
// start it.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "tests/e2e/xvfb_server.h"

// Xlib defines macros such as Status, Bool and None: it comes last.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace bench {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kAlerts = 50;
constexpr double kGoalSeconds = 2.0;
constexpr int kWaitMs = 30000;

int IgnoreErrors(Display* /*display*/, XErrorEvent* /*error*/) { return 0; }

// A store with kAlerts alerts of K1 and one of K2, made with quorvia-store import.
void MakeAlertsStore(const std::filesystem::path& store, const std::filesystem::path& document) {
  nlohmann::json notes = nlohmann::json::array();
  for (int i = 0; i <= kAlerts; ++i) {
    notes.push_back({{"message_class", "IPM.StickyNote"},
                     {"body", "Alert " + std::to_string(i) + "\r\nfor the account"},
                     {"properties", {{"AccountID", i == kAlerts ? "K2" : "K1"}}}});
  }
  const nlohmann::json alerts = {{"name", "Alerts"}, {"default_message_class", "IPM.StickyNote"}, {"items", notes},
                                 {"folders", nlohmann::json::array()}};
  const nlohmann::json profiles = {{"name", "Account Profiles"}, {"default_message_class", "IPM.Post"},
                                   {"items", nlohmann::json::array()}, {"folders", {alerts}}};
  std::ofstream(document) << nlohmann::json{{"format", 1}, {"outlook_version", "16.0"}, {"folders", {profiles}}};
  RemoveStore(store);
  RunChild({QUORVIA_STORE_PROGRAM, "--store", store.string(), "import", document.string()});
}

// The process ids of the inspector's mapped windows, one entry per window.
std::vector<long> InspectorWindows(Display* display, Window parent) {
  std::vector<long> pids;
  Window root = 0, up = 0, *children = nullptr;
  unsigned int count = 0;
  if (XQueryTree(display, parent, &root, &up, &children, &count) == 0) return pids;
  for (unsigned int i = 0; i < count; ++i) {
    XClassHint hint{};
    XWindowAttributes attributes{};
    bool ours = false;
    if (XGetClassHint(display, children[i], &hint) != 0) {
      ours = std::string(hint.res_name) == "quorvia-inspector";
      XFree(hint.res_name);
      XFree(hint.res_class);
    }
    if (ours && XGetWindowAttributes(display, children[i], &attributes) != 0 && attributes.map_state == IsViewable) {
      Atom type = 0;
      int format = 0;
      unsigned long length = 0, remaining = 0;
      unsigned char* data = nullptr;
      XGetWindowProperty(display, children[i], XInternAtom(display, "_NET_WM_PID", False), 0, 1, False,
                         XA_CARDINAL, &type, &format, &length, &remaining, &data);
      pids.push_back(data != nullptr && length == 1 ? *reinterpret_cast<long*>(data) : 0);
      if (data != nullptr) XFree(data);
      continue;
    }
    const std::vector<long> below = InspectorWindows(display, children[i]);
    pids.insert(pids.end(), below.begin(), below.end());
  }
  if (children != nullptr) XFree(children);
  return pids;
}

// The CPU time so far and the peak resident memory of a running process,
// from /proc.
Sample RunningSample(long pid) {
  Sample sample;
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) sample.max_rss_kib = std::stol(line.substr(6));
  }
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  // The fields after the command's closing parenthesis; utime and stime are the 12th and 13th.
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  for (int i = 0; i < 11; ++i) fields >> field;
  long user = 0, system = 0;
  fields >> user >> system;
  sample.cpu_seconds = static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
  return sample;
}

// Ends the inspectors that show windows and waits until none is shown.
void EndInspectors(Display* display) {
  const std::vector<long> pids = InspectorWindows(display, DefaultRootWindow(display));
  for (long pid : std::set<long>(pids.begin(), pids.end())) {
    if (pid > 0) kill(static_cast<pid_t>(pid), SIGTERM);
  }
  for (int waited = 0; waited < kWaitMs && !InspectorWindows(display, DefaultRootWindow(display)).empty();
       waited += 10) {
    poll(nullptr, 0, 10);
  }
}

// Starts `args`, waits until kAlerts note windows are mapped, and yields
// the seconds that took with the CPU time of the process that shows them
// (and of `args` when that is another one) and its peak memory; the
// windows are left shown.
Sample ShowAlerts(Display* display, const std::vector<std::string>& args,
                  const std::map<std::string, std::string>& env) {
  const auto start = Clock::now();
  const pid_t started = StartQuiet(args, env);
  std::vector<long> pids;
  for (int waited = 0; waited < kWaitMs && static_cast<int>(pids.size()) < kAlerts; waited += 2) {
    pids = InspectorWindows(display, DefaultRootWindow(display));
    if (static_cast<int>(pids.size()) < kAlerts) poll(nullptr, 0, 2);
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (static_cast<int>(pids.size()) < kAlerts) Fail("not all 50 alerts were mapped within 30 s");
  Sample sample = RunningSample(pids.front());
  sample.seconds = seconds;
  if (pids.front() != started) {
    int status = 0;
    rusage usage{};
    wait4(started, &status, 0, &usage);
    sample.cpu_seconds += ChildSample(0, usage).cpu_seconds;
  }
  return sample;
}

// Runs the utility to its end; yields the seconds it took.
double RunUtility(const std::vector<std::string>& args, const std::map<std::string, std::string>& env) {
  const auto start = Clock::now();
  const pid_t pid = StartQuiet(args, env);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) Fail(args.back() + ": the utility did not end with 0");
  return std::chrono::duration<double>(Clock::now() - start).count();
}

int Run(const Options& options) {
  WorkFolder folder(options);
  const std::filesystem::path store = folder.Path("alerts.db");
  MakeAlertsStore(store, folder.Path("alerts.json"));
  e2e::XvfbServer server;
  XSetErrorHandler(IgnoreErrors);
  Display* display = XOpenDisplay(server.display().c_str());
  if (display == nullptr) Fail("cannot open the Xvfb display " + server.display());
  const pid_t window_manager = StartQuiet({"/usr/bin/openbox"}, {{"DISPLAY", server.display()}});
  poll(nullptr, 0, 500);
  const std::string program = std::string(QUORVIA_BIN_DIR) + "/quorvia-utilities";
  const std::map<std::string, std::string> env = {
      {"DISPLAY", server.display()}, {"QUORVIA_UI", "gui"}, {"QT_QPA_PLATFORM", ""}, {"WAYLAND_DISPLAY", ""},
      {"QUORVIA_LOG", "0"},          {"QUORVIA_STORE", store.string()}, {"XDG_RUNTIME_DIR", folder.Path("").string()}};

  // The program and the floor take turns; after the program's round, one
  // more alert to the running inspector, then one with none running.
  std::vector<double> handed, started;
  const WaySamples samples = RunRounds(options.repetitions, 2, [&](std::size_t way, bool warm_up) {
    if (way == 1) {
      std::map<std::string, std::string> floor_env = env;
      floor_env["RESOURCE_NAME"] = "quorvia-inspector";  // its windows' class, as the inspector's
      const Sample sample = ShowAlerts(display, {QUORVIA_WINDOW_FLOOR, "notes", std::to_string(kAlerts)}, floor_env);
      EndInspectors(display);
      // The floor is this process's child: reap it.
      while (waitpid(-1, nullptr, WNOHANG) > 0) continue;
      return sample;
    }
    const Sample sample = ShowAlerts(display, {program, "Alerts;K1"}, env);
    const double to_running = RunUtility({program, "Alerts;K2"}, env);
    EndInspectors(display);
    const double with_start = RunUtility({program, "Alerts;K2"}, env);
    EndInspectors(display);
    if (!warm_up) {
      handed.push_back(to_running);
      started.push_back(with_start);
    }
    return sample;
  });
  kill(window_manager, SIGTERM);
  waitpid(window_manager, nullptr, 0);
  XCloseDisplay(display);

  const double mapped = Median(WallTimes(samples[0]));
  std::cout << "\n\"Alerts\" of 50 alerts on a private Xvfb with openbox, " << options.repetitions
            << " rounds after one warm-up round\n\n";
  PrintTable({{"figure", "value"},
              {"start to all 50 note windows mapped", Millis(mapped) + " ms (goal <= " + Millis(kGoalSeconds) +
                                                          " ms, " + (mapped <= kGoalSeconds ? "met" : "missed") + ")"},
              {"one more alert, inspector running: start to end", MillisSpread(handed) + " ms"},
              {"one alert, inspector started for it: start to end", MillisSpread(started) + " ms"},
              {"handed over / started", Fixed(Median(handed) / Median(started), 2)}});
  std::cout << "\nstart to all 50 windows mapped; CPU: the utility's and the inspector's up to then (the floor's "
               "own); peak RSS: of the process that shows the windows\n";
  WayTable table = NewWayTable();
  AddWays(table, {}, {"quorvia-utilities Alerts;K1", "window_floor notes 50"}, samples, 1, kNoWayJudged, 0);
  PrintWays(table);
  return 0;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
  return bench::BenchmarkMain(argc, argv, "alerts_bench",
      "Times \"Alerts\" of 50 alerts from the utility's start until every note window is mapped on a\n"
      "private Xvfb with openbox, with the inspector's peak memory, and one Display handed to a\n"
      "running inspector against one that starts it.", bench::Run);
}
