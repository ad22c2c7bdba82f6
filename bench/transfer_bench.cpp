// Export and import of a whole store by quorvia-store, against what SQLite's
// own shell does with the same store: `.dump` of it as SQL text, and `.read`
// of that text into a new file, made a store as the schema makes one (WAL,
// application id, schema version). The four ways take turns, each a child
// process that writes its document or file anew. After the warm-up round
// both new stores must pass quorvia-store check and export to the same
// document as the store they were made from (the read one also holds the
// same rows), and the export must be the same document every time.

#include <algorithm>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/plain_commands.h"

namespace bench {
namespace {

namespace fs = std::filesystem;

constexpr char kSqliteShell[] = "/usr/bin/sqlite3";

// The last way runs only with --before: the export of the earlier build.
enum Way : std::size_t { kExport, kDump, kImport, kRead, kExportBefore, kWayCount };
constexpr const char* kWayNames[kWayCount] = {"export", "sqlite3 .dump", "import", "sqlite3 .read",
                                              "export of --before"};

struct Files {
  fs::path store;
  std::string stamp;  // the pragmas that make a file read from a dump a store like `store`
  fs::path document;  // the store as quorvia-store exports it
  fs::path dump;      // the store as sqlite3 dumps it
  fs::path imported;  // the store made from the document
  fs::path read;      // the store made from the dump
  fs::path before;    // quorvia-store of the --before build, or empty
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
      return {{kSqliteShell, files.read.string(), ".read " + files.dump.string(), files.stamp}, {}, files.read};
    case kExportBefore:
      return {{files.before.string(), "--store", files.store.string(), "export"}, files.document.string() + ".before",
              {}};
    case kWayCount: break;
  }
  Fail("no such way");
}

std::string Pragma(const fs::path& store, const char* name) {
  const fs::path answer = store.string() + "." + name;
  RunChild({kSqliteShell, "-readonly", store.string(), std::string("PRAGMA ") + name}, 0, {}, answer);
  std::string value;
  std::ifstream(answer) >> value;
  fs::remove(answer);
  if (value.empty()) Fail(store.string() + ": no " + name);
  return value;
}

// What the schema sets beside the tables, as pragmas to give a new file.
std::string StoreStamp(const fs::path& store) {
  return "PRAGMA journal_mode = " + Pragma(store, "journal_mode") + "; PRAGMA application_id = " +
         Pragma(store, "application_id") + "; PRAGMA user_version = " + Pragma(store, "user_version") + ";";
}

// The digest of the document quorvia-store exports from a store: the same
// for two stores that hold the same folders, items and properties, whatever
// their row ids.
std::string DocumentDigest(const fs::path& store) {
  const fs::path document = store.string() + ".check.json";
  RunChild({QUORVIA_STORE_PROGRAM, "--store", store.string(), "export"}, 0, {}, document);
  const std::string digest = FileDigest(document);
  fs::remove(document);
  return digest;
}

// Fails unless the store a way made passes quorvia-store check and holds the
// original's folders, items and properties (the dump read back: the same
// rows, row ids included) and its pragmas; yields the row of the end-state
// table.
std::vector<std::string> CheckMade(const std::string& size, Way way, const Files& files, const std::string& original) {
  const fs::path made = CommandOf(way, files).made;
  RunChild({QUORVIA_STORE_PROGRAM, "--store", made.string(), "check"}, 0, {}, "/dev/null");
  const std::string digest = DocumentDigest(made);
  const std::string stamp = StoreStamp(made);
  const bool same_rows = way != kRead || DumpStore(made.string()) == DumpStore(files.store.string());
  if (digest != original || stamp != files.stamp || !same_rows) {
    Fail(size + ", " + kWayNames[way] + ": the new store differs: " + digest + " / " + stamp + " against " + original +
         " / " + files.stamp);
  }
  return {size, kWayNames[way], digest, stamp};
}

WaySamples Measure(const Options& options, const Files& files, std::vector<std::vector<std::string>>& checks,
                   const std::string& size) {
  const std::string original = FileDigest(files.document);
  checks.push_back({size, "the store", original, files.stamp});
  const std::size_t ways = files.before.empty() ? kExportBefore : kWayCount;
  return RunRounds(options.repetitions, ways, [&](std::size_t way, bool warm_up) {
    const Command command = CommandOf(static_cast<Way>(way), files);
    if (!command.made.empty()) RemoveStore(command.made);
    const ChildRun run = RunChild(command.args, 0, {}, command.output.empty() ? fs::path("/dev/null") : command.output);
    if (warm_up && !command.made.empty()) checks.push_back(CheckMade(size, static_cast<Way>(way), files, original));
    if (warm_up && way == kExport && FileDigest(files.document) != original) Fail(size + ": two exports differ");
    if (warm_up && way == kExportBefore && FileDigest(command.output) != original) {
      Fail(size + ": the export of --before differs from this one's");
    }
    return Sample(run);
  });
}

// The two directions, each against the sqlite3 way.
void AddFigures(WayTable& table, const std::string& size, const WaySamples& samples) {
  AddWays(table, {size}, {kWayNames[kExport], kWayNames[kDump]}, {samples[kExport], samples[kDump]}, 1, 0, 1.5);
  if (samples.size() > kExportBefore) {
    AddWays(table, {size}, {kWayNames[kExportBefore], kWayNames[kDump]}, {samples[kExportBefore], samples[kDump]}, 1,
            0, 1.5);
  }
  AddWays(table, {size}, {kWayNames[kImport], kWayNames[kRead]}, {samples[kImport], samples[kRead]}, 1, 0, 1.0);
}

int Run(const Options& options) {
  WorkFolder folder(options);
  WayTable table = NewWayTable({"store"});
  std::vector<std::vector<std::string>> checks = {{"store", "way", "digest of its export", "pragmas"}};
  for (const StoreSize& size : Sizes(options)) {
    folder.MakeStore(size);
    CheckpointStore(folder.Path(size.file));
    const std::string name = size.name;
    const Files files{folder.Path(size.file),
                      StoreStamp(folder.Path(size.file)),
                      folder.Path(name + ".json"),
                      folder.Path(name + ".sql"),
                      folder.Path(name + "-imported.db"),
                      folder.Path(name + "-read.db"),
                      options.before.empty() ? fs::path() : options.before / "quorvia-store"};
    // The documents are made once, untimed, so that every round's readers
    // find them whatever way the round starts with.
    RunChild(CommandOf(kExport, files).args, 0, {}, files.document);
    RunChild(CommandOf(kDump, files).args, 0, {}, files.dump);
    std::cout << name << ": measuring " << options.repetitions << " rounds after one warm-up ..." << std::endl;
    AddFigures(table, name, Measure(options, files, checks, name));
    for (const fs::path& path : {files.imported, files.read}) RemoveStore(path);
    for (const fs::path& path : {files.document, files.dump, fs::path(files.document.string() + ".before")}) {
      fs::remove(path);
    }
  }
  std::cout << "\nexport against sqlite3 .dump, import against sqlite3 .read (then the pragmas a store has)\n";
  PrintWays(table);
  std::cout << "\nthe stores each way made, after its warm-up run (each passed quorvia-store check)\n";
  PrintTable(checks);
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
