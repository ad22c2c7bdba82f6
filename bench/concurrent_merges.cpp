#include "bench/concurrent_merges.h"

#include <unistd.h>

#include <array>
#include <cmath>

#include "bench/program_runs.h"
#include "host/store/database.h"

namespace bench {
namespace {

constexpr double kConcurrencyGoal = 1.5;

enum Way : std::size_t { kOneAfterAnother, kAtOnce, kWayCount };

std::string ErrorsFile(std::size_t merge) { return "errors-" + std::to_string(merge) + ".txt"; }

// The sixteen one after another: the sample of the median Merge, and the
// whole time of all of them into `total`.
Sample OneAfterAnother(const WorkFolder& folder, const std::string& copy, const std::vector<std::string>& lines,
                       double& total) {
  std::vector<Sample> samples;
  for (const std::string& line : lines) samples.push_back(RunProgram(folder, copy, line, true));
  total = 0;
  for (const Sample& sample : samples) total += sample.seconds;
  return {Median(WallTimes(samples)), Median(CpuTimes(samples)), 0};
}

// All sixteen started at once: the wall time from the first start to the
// last end, and the CPU time they took together.
Sample AtOnce(const WorkFolder& folder, const std::string& copy, const std::vector<std::string>& lines) {
  std::vector<pid_t> started;
  Sample sample;
  sample.seconds = Seconds([&] {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      started.push_back(StartProgram(folder, copy, lines[i], true, ErrorsFile(i)));
    }
    for (std::size_t i = 0; i < started.size(); ++i) {
      try {
        sample.cpu_seconds += FinishProgram(folder, started[i], ErrorsFile(i)).cpu_seconds;
      } catch (const std::exception& error) {
        Fail(lines[i] + ", one of " + std::to_string(lines.size()) + " at once: " + error.what());
      }
    }
  });
  return sample;
}

double Processors() { return static_cast<double>(sysconf(_SC_NPROCESSORS_ONLN)); }

}  // namespace

std::vector<std::string> FindMergeLines(const std::string& path) {
  const auto db = store::OpenDatabase(path, store::Database::Mode::kReadOnly);
  store::Statement accounts(*db,
      "SELECT p.value, i.entry_id FROM properties p JOIN items i ON i.id = p.item "
      "WHERE p.folder = (SELECT id FROM folders WHERE parent IS NULL AND name = 'Account Profiles') "
      "AND p.name = 'AccountID' AND p.value <> 'A000001' "
      "AND NOT EXISTS (SELECT 1 FROM properties l WHERE l.item = p.item AND l.name = 'Account LocationID' "
      "AND l.value <> '') "
      "AND NOT EXISTS (SELECT 1 FROM properties c WHERE c.folder = p.folder AND c.name = 'Account LocationID' "
      "AND c.value = p.value) ORDER BY p.item LIMIT ?1");
  accounts.Bind(1, std::int64_t{2 * kConcurrentMerges});
  std::vector<std::string> lines;
  while (accounts.Step()) {
    const std::string key = accounts.Text(0);
    if (!accounts.Step()) break;
    // The second of each two survives: the Merge names its account item.
    lines.push_back("Merge;" + accounts.Text(1) + ";;" + accounts.Text(0) + ";" + key);
  }
  if (lines.size() != kConcurrentMerges) Fail(path + ": too few accounts for " + std::to_string(kConcurrentMerges) + " Merges");
  return lines;
}

std::vector<std::string> ConcurrencyHeader() {
  return {"engine", "T1 ms (one Merge alone)", "16 one after another ms", "T16 ms (16 at once)",
          "T16 CPU ms (all 16)", "T16/(T1 x ceil(16/" + Fixed(Processors(), 0) + "))", "T16/one after another"};
}

ConcurrencyResult MeasureConcurrentMerges(const Options& options, const WorkFolder& folder, StoreEngine& engine,
                                          const StoreSize& size, const std::vector<std::string>& lines) {
  std::vector<double> totals;
  std::array<std::string, kWayCount> digests;
  const WaySamples samples = RunRounds(options.repetitions, kWayCount, [&](std::size_t way, bool warm_up) {
    const std::string copy = engine.FreshCopy(size);
    double total = 0;
    const Sample sample = way == kAtOnce ? AtOnce(folder, copy, lines) : OneAfterAnother(folder, copy, lines, total);
    if (way == kOneAfterAnother && !warm_up) totals.push_back(total);
    if (warm_up) digests[way] = ExportDigest(copy, folder.Path("merged.json"));
    return sample;
  });
  if (digests[kAtOnce] != digests[kOneAfterAnother]) {
    Fail(std::string(engine.Name()) + ": the Merges at once left another store than one after another: export " +
         digests[kAtOnce] + " against " + digests[kOneAfterAnother]);
  }
  const double t1 = Median(WallTimes(samples[kOneAfterAnother]));
  const double t16 = Median(WallTimes(samples[kAtOnce]));
  const double bound = t1 * std::ceil(kConcurrentMerges / Processors());
  const bool server = std::string(engine.Name()) != "SQLite";
  return {{engine.Name(), MillisSpread(WallTimes(samples[kOneAfterAnother])), MillisSpread(totals),
           MillisSpread(WallTimes(samples[kAtOnce])), MillisSpread(CpuTimes(samples[kAtOnce])),
           server ? Ratio(t16, bound, kConcurrencyGoal) : Fixed(t16 / bound, 2), Fixed(t16 / Median(totals), 2)},
          digests[kAtOnce]};
}

}  // namespace bench
