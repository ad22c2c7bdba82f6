// Export and import of a whole store by quorvia-store, against what SQLite's
// own shell does with the same store: `.dump` of it as SQL text, and `.read`
// of that text into a new file, made a store as the schema makes one (WAL,
// application id, schema version); and the same export and import on a
// private PostgreSQL server (the store copied in once by quorvia-store
// copy, each import into a new empty database). The ways take turns, each
// a child process that writes its document or store anew. After the
// warm-up round every new store must pass quorvia-store check and export to
// the same document as the store it was made from (the read one also holds
// the same rows), and every export, the server's too, must be the same
// document every time.

#include <algorithm>
#include <fstream>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_support.h"
#include "bench/plain_commands.h"
#include "bench/store_engines.h"

namespace bench {
namespace {

namespace fs = std::filesystem;

constexpr char kSqliteShell[] = "/usr/bin/sqlite3";
// The server's database that each import makes its store in.
constexpr char kImportedDatabase[] = "imported";

// The last way runs only with --before: the export of the earlier build.
enum Way : std::size_t { kExport, kDump, kImport, kRead, kServerExport, kServerImport, kExportBefore, kWayCount };
constexpr const char* kWayNames[kWayCount] = {"export",           "sqlite3 .dump",    "import", "sqlite3 .read",
                                              "export, server", "import, server", "export of --before"};

struct Files {
  fs::path store;
  std::string stamp;  // the pragmas that make a file read from a dump a store like `store`
  fs::path document;  // the store as quorvia-store exports it
  fs::path dump;      // the store as sqlite3 dumps it
  fs::path imported;  // the store made from the document
  fs::path read;      // the store made from the dump
  fs::path before;    // quorvia-store of the --before build, or empty
  std::string server_store;     // the store on the server
  std::string server_imported;  // the server's empty database the import makes its store in
};

// The command of each way, its output file (empty: standard output is
// dropped) and the store it makes, removed before each run.
struct Command {
  std::vector<std::string> args;
  fs::path output;
  std::string made;
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
              files.imported.string()};
    case kRead:
      return {{kSqliteShell, files.read.string(), ".read " + files.dump.string(), files.stamp}, {}, files.read.string()};
    case kServerExport:
      return {{QUORVIA_STORE_PROGRAM, "--store", files.server_store, "export"}, files.document.string() + ".server", {}};
    case kServerImport:
      return {{QUORVIA_STORE_PROGRAM, "--store", files.server_imported, "import", files.document.string()},
              {},
              files.server_imported};
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

// Fails unless the store a way made passes quorvia-store check and holds the
// original's folders, items and properties (the dump read back: the same
// rows, row ids included) and, in a file, its pragmas; yields the row of the
// end-state table.
std::vector<std::string> CheckMade(const std::string& size, Way way, const Files& files, const std::string& original) {
  const std::string made = CommandOf(way, files).made;
  RunChild({QUORVIA_STORE_PROGRAM, "--store", made, "check"}, 0, {}, "/dev/null");
  const std::string digest = ExportDigest(made, files.document.string() + ".check");
  const bool file = way != kServerImport;
  const std::string stamp = file ? StoreStamp(made) : "(a server's store)";
  const bool same_rows = way != kRead || DumpStore(made) == DumpStore(files.store.string());
  if (digest != original || (file && stamp != files.stamp) || !same_rows) {
    Fail(size + ", " + kWayNames[way] + ": the new store differs: " + digest + " / " + stamp + " against " + original +
         " / " + files.stamp);
  }
  return {size, kWayNames[way], digest, stamp};
}

// Fails unless an export way wrote the document the first export wrote.
void CheckExport(const std::string& size, Way way, const Command& command, const std::string& original) {
  if (FileDigest(command.output) != original) {
    Fail(size + ", " + kWayNames[way] + ": the document differs from the first export: " + FileDigest(command.output) +
         " against " + original);
  }
}

// The ways that run on this store: the earlier build's where there is one.
std::vector<Way> WaysOf(const Files& files) {
  std::vector<Way> ways = {kExport, kDump, kImport, kRead, kServerExport, kServerImport};
  if (!files.before.empty()) ways.push_back(kExportBefore);
  return ways;
}

// The samples of every way, none for a way that did not run.
WaySamples Measure(const Options& options, const Files& files, StoreEngine& server,
                   std::vector<std::vector<std::string>>& checks, const std::string& size) {
  const std::string original = FileDigest(files.document);
  checks.push_back({size, "the store", original, files.stamp});
  const std::vector<Way> ways = WaysOf(files);
  const WaySamples samples = RunRounds(options.repetitions, ways.size(), [&](std::size_t turn, bool warm_up) {
    const Way way = ways[turn];
    const Command command = CommandOf(way, files);
    if (way == kServerImport) {
      server.Empty(kImportedDatabase);
    } else if (!command.made.empty()) {
      RemoveStore(command.made);
    }
    const ChildRun run = RunChild(command.args, 0, {}, command.output.empty() ? fs::path("/dev/null") : command.output);
    if (warm_up && !command.made.empty()) checks.push_back(CheckMade(size, way, files, original));
    if (warm_up && way != kDump && !command.output.empty()) CheckExport(size, way, command, original);
    return Sample(run);
  });
  WaySamples by_way(kWayCount);
  for (std::size_t turn = 0; turn < ways.size(); ++turn) by_way[ways[turn]] = samples[turn];
  return by_way;
}

// The two directions, each against the sqlite3 way, and on the server
// against the file.
void AddFigures(WayTable& table, const std::string& size, const WaySamples& samples) {
  AddWays(table, {size}, {kWayNames[kExport], kWayNames[kDump]}, {samples[kExport], samples[kDump]}, 1, 0, 1.5);
  if (!samples[kExportBefore].empty()) {
    AddWays(table, {size}, {kWayNames[kExportBefore], kWayNames[kDump]}, {samples[kExportBefore], samples[kDump]}, 1,
            0, 1.5);
  }
  AddWays(table, {size}, {kWayNames[kImport], kWayNames[kRead]}, {samples[kImport], samples[kRead]}, 1, 0, 1.0);
  for (const auto& [server, file] : {std::pair{kServerExport, kExport}, std::pair{kServerImport, kImport}}) {
    AddWays(table, {size}, {kWayNames[server], kWayNames[file]}, {samples[server], samples[file]}, 1, kNoWayJudged, 0);
  }
}

Files FilesOf(const WorkFolder& folder, const Options& options, const StoreSize& size, StoreEngine& server) {
  const std::string name = size.name;
  return {folder.Path(size.file),
          StoreStamp(folder.Path(size.file)),
          folder.Path(name + ".json"),
          folder.Path(name + ".sql"),
          folder.Path(name + "-imported.db"),
          folder.Path(name + "-read.db"),
          options.before.empty() ? fs::path() : options.before / "quorvia-store",
          server.Base(size),
          server.Empty(kImportedDatabase)};
}

int Run(const Options& options) {
  WorkFolder folder(options);
  const auto server = PostgresEngine();
  WayTable table = NewWayTable({"store"});
  std::vector<std::vector<std::string>> checks = {{"store", "way", "digest of its export", "pragmas"}};
  for (const StoreSize& size : Sizes(options)) {
    folder.MakeStore(size);
    CheckpointStore(folder.Path(size.file));
    std::cout << size.name << ": copying it onto the server ..." << std::flush;
    const double copied = Seconds([&] { server->AddStore(size, folder.Path(size.file)); });
    std::cout << " " << copied << " s (quorvia-store copy, then VACUUM (FREEZE, ANALYZE))" << std::endl;
    const Files files = FilesOf(folder, options, size, *server);
    // The documents are made once, untimed, so that every round's readers
    // find them whatever way the round starts with.
    RunChild(CommandOf(kExport, files).args, 0, {}, files.document);
    RunChild(CommandOf(kDump, files).args, 0, {}, files.dump);
    std::cout << size.name << ": measuring " << options.repetitions << " rounds after one warm-up ..." << std::endl;
    AddFigures(table, size.name, Measure(options, files, *server, checks, size.name));
    server->RemoveCopies();
    for (const fs::path& path : {files.imported, files.read}) RemoveStore(path);
    for (const char* suffix : {"", ".before", ".server"}) fs::remove(files.document.string() + suffix);
    fs::remove(files.dump);
  }
  std::cout << "\nexport against sqlite3 .dump, import against sqlite3 .read (then the pragmas a store has); on the\n"
               "server (PostgreSQL) against the file; the server: "
            << server->Settings() << "\n";
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
      "the same store and .read of that dump into a new file, and the same export and import on a\n"
      "private PostgreSQL server.",
      bench::Run);
}
