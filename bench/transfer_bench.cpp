// Export and import of a whole store by quorvia-store, against what SQLite's
// own shell does with the same store: `.dump` of it as SQL text, and `.read`
// of that text into a new file. The four ways take turns; each writes its
// document or file anew, and its peak memory is kept.

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "bench/bench_support.h"

namespace bench {
namespace {

namespace fs = std::filesystem;

constexpr char kSqliteShell[] = "/usr/bin/sqlite3";

enum Way : std::size_t { kExport, kDump, kImport, kRead, kWayCount };
constexpr const char* kWayNames[kWayCount] = {"export", "sqlite3 .dump", "import", "sqlite3 .read"};

struct Files {
  fs::path store;
  fs::path document;  // the store as quorvia-store exports it
  fs::path dump;      // the store as sqlite3 dumps it
  fs::path imported;  // the store made from the document
  fs::path read;      // the store made from the dump
};

// The command of each way, its output file (empty: standard output is
// dropped) and the file it makes, removed before each run.
struct Command {
  std::vector<std::string> args;
  fs::path output;
  fs::path made;
};

Command CommandOf(Way way, const Files& files) {
  switch (way) {
    case kExport:
      return {{QUORVIA_STORE_PROGRAM, "--store", files.store.string(), "export"}, files.document, {}};
    case kDump:
      return {{kSqliteShell, files.store.string(), ".dump"}, files.dump, {}};
    case kImport:
      return {{QUORVIA_STORE_PROGRAM, "--store", files.imported.string(), "import", files.document.string()},
              {},
              files.imported};
    case kRead:
      return {{kSqliteShell, files.read.string(), ".read " + files.dump.string()}, {}, files.read};
    case kWayCount: break;
  }
  Fail("no such way");
}

struct Measured {
  std::vector<std::vector<double>> times;
  std::vector<long> peak_kib = std::vector<long>(kWayCount, 0);
};

Measured Measure(const Options& options, const Files& files) {
  Measured measured;
  measured.times = RunRounds(options.repetitions, kWayCount, [&](std::size_t way, bool) {
    const Command command = CommandOf(static_cast<Way>(way), files);
    if (!command.made.empty()) RemoveStore(command.made);
    const ChildRun run = RunChild(command.args, 0, {}, command.output.empty() ? fs::path("/dev/null") : command.output);
    measured.peak_kib[way] = std::max(measured.peak_kib[way], run.max_rss_kib);
    return run.seconds;
  });
  return measured;
}

int Run(const Options& options) {
  WorkFolder folder(options);
  std::vector<std::vector<std::string>> rows = {
      {"store", "way", "seconds", "peak memory", "against sqlite3"}};
  for (const StoreSize& size : Sizes(options)) {
    folder.MakeStore(size);
    const std::string name = size.name;
    const Files files{folder.Path(size.file), folder.Path(name + ".json"), folder.Path(name + ".sql"),
                      folder.Path(name + "-imported.db"), folder.Path(name + "-read.db")};
    // The documents are made once, untimed, so that every round's readers
    // find them whatever way the round starts with.
    RunChild(CommandOf(kExport, files).args, 0, {}, files.document);
    RunChild(CommandOf(kDump, files).args, 0, {}, files.dump);
    std::cout << name << ": measuring " << options.repetitions << " rounds after one warm-up ..." << std::endl;
    const Measured measured = Measure(options, files);
    const auto figure = [&](Way way, std::string ratio) {
      rows.push_back({name, kWayNames[way], MillisSpread(measured.times[way], 1000),
                      std::to_string(measured.peak_kib[way] / 1024) + " MiB", std::move(ratio)});
    };
    const auto median = [&](Way way) { return Median(measured.times[way]); };
    figure(kExport, Ratio(median(kExport), median(kDump), 1.5));
    figure(kDump, "-");
    figure(kImport, Ratio(median(kImport), median(kRead), 1.0));
    figure(kRead, "-");
    for (const fs::path& path : {files.imported, files.read}) RemoveStore(path);
    for (const fs::path& path : {files.document, files.dump}) fs::remove(path);
  }
  std::cout << "\nmedian [min-max] in seconds; the ratio is of the medians, against the sqlite3 way of the same "
               "direction\n";
  PrintTable(rows);
  return 0;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
  return bench::BenchmarkMain(argc, argv, "transfer_bench",
      "Times quorvia-store export and import of the SMALL and LARGE demo stores against sqlite3 .dump of\n"
      "the same store and .read of that dump into a new file.",
      bench::Run);
}
