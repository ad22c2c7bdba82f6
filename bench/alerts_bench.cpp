// alerts_bench: "Alerts" for an account with 50 alerts on a private Xvfb with
// openbox, from the utility's start until all 50 note windows are mapped,
// with the inspector's peak memory; and one more Display handed to a running
// inspector against one that has to start it.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
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

// The peak resident memory of a running process, from /proc.
long PeakKib(long pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  return 0;
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

  std::vector<double> all_mapped, handed, started;
  long peak_kib = 0;
  for (int i = 0; i <= options.repetitions; ++i) {  // the first is the warm-up
    const auto start = Clock::now();
    const pid_t utility = StartQuiet({program, "Alerts;K1"}, env);
    std::vector<long> pids;
    for (int waited = 0; waited < kWaitMs && static_cast<int>(pids.size()) < kAlerts; waited += 2) {
      pids = InspectorWindows(display, DefaultRootWindow(display));
      if (static_cast<int>(pids.size()) < kAlerts) poll(nullptr, 0, 2);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    waitpid(utility, nullptr, 0);
    if (static_cast<int>(pids.size()) < kAlerts) Fail("not all 50 alerts were mapped within 30 s");
    if (i > 0) all_mapped.push_back(seconds);
    peak_kib = std::max(peak_kib, PeakKib(pids.front()));
    // One more note while the inspector runs, then the same with none running.
    const double to_running = RunUtility({program, "Alerts;K2"}, env);
    EndInspectors(display);
    const double with_start = RunUtility({program, "Alerts;K2"}, env);
    EndInspectors(display);
    if (i > 0) {
      handed.push_back(to_running);
      started.push_back(with_start);
    }
  }
  kill(window_manager, SIGTERM);
  waitpid(window_manager, nullptr, 0);
  XCloseDisplay(display);

  const double mapped = Median(all_mapped);
  std::cout << "\n\"Alerts\" of 50 alerts on a private Xvfb with openbox, median of " << options.repetitions
            << " after one warm-up run\n\n";
  PrintTable({{"figure", "value"},
              {"start to all 50 note windows mapped", Millis(mapped) + " ms (goal <= " + Millis(kGoalSeconds) +
                                                          " ms, " + (mapped <= kGoalSeconds ? "met" : "missed") + ")"},
              {"peak RSS of the inspector with 50 notes", Fixed(static_cast<double>(peak_kib) / 1024.0, 1) + " MiB"},
              {"one more alert, inspector running: start to end", Millis(Median(handed)) + " ms"},
              {"one alert, inspector started for it: start to end", Millis(Median(started)) + " ms"},
              {"handed over / started", Fixed(Median(handed) / Median(started), 2)}});
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
