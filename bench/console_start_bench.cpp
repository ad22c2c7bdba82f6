// console_start_bench: what a run on the terminal costs from start to end,
// `Realign` (which changes nothing) on the SMALL store with QUORVIA_UI=console,
// in time and peak memory, against `--version` of quorvia-utilities and of
// quorvia-store, programs of ours that load neither the store nor any window.

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "bench/bench_support.h"

namespace bench {
namespace {

constexpr double kGoalMillis = 15;
constexpr double kGoalMiB = 8;

struct Way {
  std::string name;
  std::vector<std::string> args;
  std::vector<double> times;
  long max_rss_kib = 0;  // the highest peak of all its runs
};

void SetEnvironment(const char* name, const std::string& value) {
  if (setenv(name, value.c_str(), 1) != 0) Fail(std::string("cannot set ") + name);
}

double MiB(long kib) { return static_cast<double>(kib) / 1024; }

std::string Goal(double value, double goal, const char* unit) {
  return Fixed(value, 1) + " " + unit + " (goal <= " + Fixed(goal, 0) + " " + unit +
         (value <= goal ? ", met)" : ", MISSED)");
}

int Run(const Options& options) {
  WorkFolder folder(options);
  folder.MakeStore(kSmall);
  // A run on the terminal, whatever the machine's display; its run log goes
  // to the work folder.
  SetEnvironment("QUORVIA_UI", "console");
  SetEnvironment("QUORVIA_STORE", folder.Path(kSmall.file).string());
  SetEnvironment("XDG_STATE_HOME", folder.Path("state").string());
  std::vector<Way> ways = {
      {"quorvia-utilities Realign (console)", {QUORVIA_UTILITIES_PROGRAM, "Realign"}, {}, 0},
      {"quorvia-utilities --version", {QUORVIA_UTILITIES_PROGRAM, "--version"}, {}, 0},
      {"quorvia-store --version", {QUORVIA_STORE_PROGRAM, "--version"}, {}, 0},
  };
  std::cout << "measuring: median [min-max] of " << options.repetitions
            << " rounds after one warm-up; the ways take turns\n\n";
  const auto times = RunRounds(options.repetitions, ways.size(), [&](std::size_t index, bool) {
    const ChildRun run = RunChild(ways[index].args, 0, "/dev/null", "/dev/null");
    ways[index].max_rss_kib = std::max(ways[index].max_rss_kib, run.max_rss_kib);
    return run.seconds;
  });
  std::vector<std::vector<std::string>> rows = {{"way", "ms", "peak memory"}};
  for (std::size_t i = 0; i < ways.size(); ++i) {
    ways[i].times = times[i];
    rows.push_back({ways[i].name, MillisSpread(ways[i].times), Fixed(MiB(ways[i].max_rss_kib), 1) + " MiB"});
  }
  PrintTable(rows);
  const double realign = Median(ways[0].times);
  std::cout << "\nRealign: " << Goal(realign * 1000, kGoalMillis, "ms") << ", "
            << Goal(MiB(ways[0].max_rss_kib), kGoalMiB, "MiB") << "\n"
            << "Realign/quorvia-store --version: " << Fixed(realign / Median(ways[2].times), 2) << "\n";
  return 0;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
  return bench::BenchmarkMain(argc, argv, "console_start_bench",
      "Times quorvia-utilities Realign on the terminal (QUORVIA_UI=console) on the SMALL store, with its peak\n"
      "memory, against --version of quorvia-utilities and quorvia-store.",
      bench::Run);
}
