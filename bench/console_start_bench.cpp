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
      {"quorvia-utilities Realign (console)", {QUORVIA_UTILITIES_PROGRAM, "Realign"}},
      {"quorvia-utilities --version", {QUORVIA_UTILITIES_PROGRAM, "--version"}},
      {"quorvia-store --version", {QUORVIA_STORE_PROGRAM, "--version"}},
  };
  std::cout << "measuring: median [min-max] of " << options.repetitions
            << " rounds after one warm-up; the ways take turns\n\n";
  const WaySamples samples = RunRounds(options.repetitions, ways.size(), [&](std::size_t index, bool) {
    return Sample(RunChild(ways[index].args, 0, "/dev/null", "/dev/null"));
  });
  WayTable table = NewWayTable();
  std::vector<std::string> names;
  for (const Way& way : ways) names.push_back(way.name);
  AddWays(table, {}, names, samples, 2, kNoWayJudged, 0);
  PrintWays(table);
  const double realign = Median(WallTimes(samples[0]));
  const std::vector<double> peaks = PeakKib(samples[0]);
  const long peak = static_cast<long>(*std::max_element(peaks.begin(), peaks.end()));
  std::cout << "\nRealign: " << Goal(realign * 1000, kGoalMillis, "ms") << ", " << Goal(MiB(peak), kGoalMiB, "MiB")
            << "\n";
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
