// Update: the built quorvia-utilities copies A000001's four account fields
// into a reports database of 499, 999 and 1,999 folder tables of 1,000 rows
// each, timed against its floor, the same statements sent by a minimal ODBC
// program over one connection, and shown beside that program with the
// program's connection pattern (one per walk level, nested). Every way is a
// process of its own (the minimal program is this benchmark started again,
// reading the folder tree and the account from the store as the program
// does); the ways take turns, each run on a fresh copy of the reports
// database. All of it on a SQLite reports database, then on a private
// PostgreSQL server through psqlODBC.

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/plain_update.h"
#include "bench/postgres_server.h"
#include "bench/update_data.h"

namespace bench {
namespace {

namespace fs = std::filesystem;

constexpr char kKey[] = "A000001";
constexpr std::int64_t kRowsPerTable = 1000;
constexpr char kFieldList[] = "Account Name,Account Manager,Team,Alignment";
// Status of a run that ends before its work: the account item does not exist.
constexpr int kNotDoneStatus = 1;
constexpr char kSentPrefix[] = "trace: RecurseUpdate: sending ";
// The folders each measure keeps below "Account Profiles": each its own table.
constexpr std::int64_t kFolderCounts[] = {499, 999, 1999};
constexpr double kGoal = 1.3;
// The database on the PostgreSQL server that the data source names.
constexpr char kPostgresCopy[] = "reports";

// Field 7 not empty: the fixed field list, which field 5 repeats.
std::string UpdateCommand(const std::string& entry_id) {
  return std::string("Update;") + entry_id + ";AccountID;" + kKey + ";;" + kFieldList + ";;1";
}

// The reports database's engine for one measure: how the database the data
// source names is made a fresh copy of the filled one, and how the rows of
// the key in it are counted.
struct ReportsCopy {
  std::string engine;
  std::function<void()> fresh;
  std::function<KeyRows()> count;
};

// Everything a run needs, read or made before anything is timed.
struct Setup {
  fs::path store;
  fs::path base;  // the filled SQLite reports database, never changed
  ReportsCopy reports;
  std::vector<ReportFolder> tree;
  WalkCounts walk;
  UpdateAccount account;
  std::int64_t tables = 0;
  std::int64_t key_rows = 0;
};

void SetEnvironment(const char* name, const std::string& value) {
  if (setenv(name, value.c_str(), 1) != 0) Fail(std::string("cannot set ") + name);
}

// The reports database mirrored from the store by quorvia-store, filled up
// with SQLite; made under a temporary name, so a kept folder never holds a
// half-made one.
void MakeReports(const Setup& setup) {
  const fs::path made = setup.base.string() + ".new";
  RemoveStore(made);
  std::cout << "making the reports database with quorvia-store reports-db, filling it to " << kRowsPerTable
            << " rows a table ..." << std::endl;
  RunChild({QUORVIA_STORE_PROGRAM, "--store", setup.store.string(), "reports-db", made.string()});
  FillReports(made.string(), setup.tree, setup.account, kRowsPerTable);
  fs::rename(made, setup.base);
}

// A copy of the small demo store whose folders have names of their own
// (the demo's names repeat, and folders of one name would share a table, so
// far fewer tables would take far more rows each), cut to its first
// `folders` folders below "Account Profiles".
void MakeUpdateStore(const WorkFolder& folder, const fs::path& store, std::int64_t folders) {
  folder.MakeStore(kSmall);
  if (fs::exists(store)) return;
  const fs::path made = store.string() + ".new";
  CheckpointStore(folder.Path(kSmall.file));
  CopyStore(folder.Path(kSmall.file), made);
  GiveFoldersOwnNames(made.string());
  KeepFirstFolders(made.string(), folders);
  CheckpointStore(made);
  fs::rename(made, store);
  RemoveStore(made);
}

// The program and the minimal ODBC program run as children: they find the
// data source, set up in `odbc`, and the store through this process's
// environment.
void SetRunEnvironment(const WorkFolder& folder, const Setup& setup, const fs::path& odbc) {
  SetEnvironment("ODBCSYSINI", odbc.string());
  SetEnvironment("ODBCINI", (odbc / "odbc.ini").string());
  SetEnvironment("QUORVIA_STORE", setup.store.string());
  SetEnvironment("QUORVIA_UI", "console");
  SetEnvironment("XDG_STATE_HOME", folder.Path("state").string());
  unsetenv("QUORVIA_TRACE");
}

// The reports database as a SQLite file, copied for each run.
ReportsCopy SqliteCopy(const WorkFolder& folder, const Setup& setup, const fs::path& odbc) {
  const fs::path copy = folder.Path("reports.db");
  // The data source names a file that must exist.
  CopyStore(setup.base, copy);
  fs::create_directories(odbc);
  RunChild({QUORVIA_STORE_PROGRAM, "reports-dsn", copy.string(), "--sysini", odbc.string()});
  return {"SQLite", [base = setup.base, copy] { CopyStore(base, copy); },
          [copy, tree = setup.tree, account = setup.account] { return CountKeyRows(copy.string(), tree, account); }};
}

// The reports database on the PostgreSQL server: the filled one copied in
// once, then copied on the server for each run.
ReportsCopy PostgresCopy(const PostgresServer& server, const Setup& setup, const fs::path& odbc) {
  const std::string base = "base_" + std::to_string(setup.tables);
  std::cout << "copying the reports database into PostgreSQL ..." << std::endl;
  server.CopyFromSqlite(setup.base, base);
  server.WriteDataSource(odbc, kPostgresCopy);
  std::string query = "SELECT SUM(key_rows), SUM(current_rows) FROM (";
  const std::vector<std::string> tables = KeyRowQueries(setup.tree, setup.account);
  for (std::size_t i = 0; i < tables.size(); ++i) query.append(i == 0 ? "" : " UNION ALL ").append(tables[i]);
  query.append(") AS counted");
  return {"PostgreSQL", [&server, base] { server.CopyDatabase(base, kPostgresCopy); },
          [&server, query] {
            const std::string line = server.Query(kPostgresCopy, query);
            const std::size_t bar = line.find('|');
            if (bar == std::string::npos) Fail("PostgreSQL counted no rows of the key: " + line);
            return KeyRows{std::stoll(line.substr(0, bar)), std::stoll(line.substr(bar + 1))};
          }};
}

Setup MakeSetup(const WorkFolder& folder, std::int64_t folders, const PostgresServer* server) {
  Setup setup;
  const std::string count = std::to_string(folders);
  setup.store = folder.Path("update-store-" + count + ".db");
  setup.base = folder.Path("reports-base-" + count + ".db");
  MakeUpdateStore(folder, setup.store, folders);
  setup.tree = ReadFolderTree(setup.store.string());
  setup.walk = CountWalk(setup.tree);
  setup.account = ReadUpdateAccount(setup.store.string(), kKey);
  setup.tables = CountTables(setup.tree);
  if (!fs::exists(setup.base)) MakeReports(setup);
  const KeyRows before = CountKeyRows(setup.base.string(), setup.tree, setup.account);
  if (before.rows == 0 || before.current != 0) Fail("the reports database holds no out-of-date rows of the key");
  setup.key_rows = before.rows;
  const fs::path odbc = folder.Path(server ? "odbc-postgres" : "odbc-sqlite");
  setup.reports = server ? PostgresCopy(*server, setup, odbc) : SqliteCopy(folder, setup, odbc);
  SetRunEnvironment(folder, setup, odbc);
  return setup;
}

std::string SentLine(const SentStatement& sent) {
  std::string line = sent.text;
  const char* separator = " with ";
  for (const std::string& value : sent.values) {
    line.append(separator).append("\"").append(value).append("\"");
    separator = ", ";
  }
  return line;
}

// Runs the program once with its trace on and fails unless it sent, in the
// same order, exactly the queries, statements and values the minimal program
// sends.
void CheckSameStatements(const Setup& setup, const WorkFolder& folder) {
  const fs::path trace = folder.Path("update-trace.txt");
  setup.reports.fresh();
  SetEnvironment("QUORVIA_TRACE", "1");
  RunChild({QUORVIA_UTILITIES_PROGRAM, UpdateCommand(setup.account.entry_id)}, 0, trace);
  unsetenv("QUORVIA_TRACE");
  std::vector<std::string> program;
  std::ifstream lines(trace);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with(kSentPrefix)) program.push_back(line.substr(sizeof kSentPrefix - 1));
  }
  fs::remove(trace);
  // The minimal program as a child too: the driver manager reads its
  // configuration once per process, and each engine has its own.
  const fs::path sent = folder.Path("update-sent.txt");
  setup.reports.fresh();
  RunSelf("per-level", {setup.store.string(), sent.string()});
  std::vector<std::string> plain;
  std::ifstream sent_lines(sent);
  for (std::string line; std::getline(sent_lines, line);) plain.push_back(line);
  fs::remove(sent);
  if (program.size() != plain.size()) {
    Fail("the program sent " + std::to_string(program.size()) + " statements, the minimal program " +
         std::to_string(plain.size()));
  }
  for (std::size_t i = 0; i < plain.size(); ++i) {
    if (program[i] != plain[i]) {
      Fail("statement " + std::to_string(i + 1) + " differs:\n  program: " + program[i] + "\n  minimal: " + plain[i]);
    }
  }
}

struct Way {
  std::string name;
  std::function<ChildRun()> run;
  bool updates = true;  // false: the run ends before the reports database
  std::vector<Sample> samples;
};

// Fails unless the plain walk kept the program's connection pattern and
// sent a schema query per field and an update per folder.
void CheckPlainCounts(const PlainUpdateCounts& counts, const UpdateAccount& account, const WalkCounts& walk,
                      std::int64_t connections) {
  const auto fields = static_cast<std::int64_t>(account.fields.size());
  if (counts.connections != connections || counts.updates != walk.folders ||
      counts.schema_queries != fields * walk.folders) {
    Fail("the minimal program opened " + std::to_string(counts.connections) + " connections, ran " +
         std::to_string(counts.schema_queries) + " schema queries and sent " + std::to_string(counts.updates) +
         " updates");
  }
}

// The minimal program in a process of its own: `--as MODE STORE [SENT]`, the
// data source found through the environment; with SENT, it writes what it
// sent there, a statement a line as the program's trace gives it.
void PlainWalk(const std::vector<std::string>& args, Connections connections) {
  if (args.empty() || args.size() > 2) Fail("the minimal program takes the store, and a file for what it sent");
  const std::vector<ReportFolder> tree = ReadFolderTree(args[0]);
  const UpdateAccount account = ReadUpdateAccount(args[0], kKey);
  const WalkCounts walk = CountWalk(tree);
  std::vector<SentStatement> sent;
  CheckPlainCounts(PlainUpdate(tree, account, connections, args.size() == 2 ? &sent : nullptr), account, walk,
                   connections == Connections::kOne ? 1 : walk.levels);
  if (args.size() == 1) return;
  std::ofstream lines(args[1]);
  for (const SentStatement& statement : sent) lines << SentLine(statement) << '\n';
  if (!lines.flush()) Fail("cannot write " + args[1]);
}
void PerLevelMode(const std::vector<std::string>& args) { PlainWalk(args, Connections::kPerLevel); }
void OneConnectionMode(const std::vector<std::string>& args) { PlainWalk(args, Connections::kOne); }

std::vector<Way> Ways(const Setup& setup) {
  const std::string command = UpdateCommand(setup.account.entry_id);
  const std::string missing = UpdateCommand(std::string(setup.account.entry_id.size(), '0'));
  const std::string store = setup.store.string();
  return {
      {"quorvia-utilities", [command] { return RunChild({QUORVIA_UTILITIES_PROGRAM, command}); }, true, {}},
      {"(a) ODBC, a connection per level", [store] { return RunSelf("per-level", {store}); }, true, {}},
      {"(b) ODBC, one connection: the floor", [store] { return RunSelf("one-connection", {store}); }, true, {}},
      {"quorvia-utilities, no such account",
       [missing] { return RunChild({QUORVIA_UTILITIES_PROGRAM, missing}, kNotDoneStatus, "/dev/null"); }, false, {}},
  };
}

// The ways take turns in rounds after a warm-up round, each that updates on
// a fresh copy of the reports database.
void MeasureWays(const Options& options, const Setup& setup, std::vector<Way>& ways) {
  const auto times = RunRounds(options.repetitions, ways.size(), [&](std::size_t index, bool) {
    const Way& way = ways[index];
    if (way.updates) setup.reports.fresh();
    const Sample sample = way.run();
    if (way.updates) {
      const KeyRows after = setup.reports.count();
      if (after.rows != setup.key_rows || after.current != after.rows) {
        Fail(way.name + ": " + std::to_string(after.current) + " of " + std::to_string(after.rows) + " rows of " +
             kKey + " hold the account's values after the run");
      }
    }
    return sample;
  });
  for (std::size_t i = 0; i < ways.size(); ++i) ways[i].samples = times[i];
}

// Prints the ways' figures; yields the summary row of these tables.
std::vector<std::string> PrintFigures(const Setup& setup, const std::vector<Way>& ways) {
  WayTable table = NewWayTable();
  std::vector<std::string> names;
  WaySamples samples;
  for (const Way& way : ways) {
    names.push_back(way.name);
    samples.push_back(way.samples);
  }
  AddWays(table, {}, names, samples, 2, 0, kGoal);
  PrintWays(table);
  const double per_level = Median(WallTimes(ways[1].samples));
  const double one = Median(WallTimes(ways[2].samples));
  std::cout << "\nnested connections: (a) - (b) = " << Millis(per_level - one) << " ms for "
            << setup.walk.levels - 1 << " more connections, (a)/(b) = " << Fixed(per_level / one, 2) << "\n";
  const double program = Median(WallTimes(ways[0].samples));
  const double program_cpu = Median(CpuTimes(ways[0].samples));
  const double one_cpu = Median(CpuTimes(ways[2].samples));
  return {setup.reports.engine, std::to_string(setup.tables), MillisSpread(WallTimes(ways[0].samples)),
          MillisSpread(WallTimes(ways[2].samples)), Ratio(program, one, kGoal), Ratio(program_cpu, one_cpu, kGoal)};
}

// Measures Update over one number of folder tables; yields its summary row.
std::vector<std::string> Measure(const Options& options, const WorkFolder& folder, std::int64_t folders,
                                 const PostgresServer* server) {
  const Setup setup = MakeSetup(folder, folders, server);
  std::cout << "\nUPDATE on " << setup.reports.engine << ": " << UpdateCommand("ENTRYID") << "\n"
            << "walk: " << setup.walk.folders << " folders in " << setup.walk.levels << " levels; "
            << setup.tables << " tables of " << kRowsPerTable << " rows; " << setup.key_rows << " rows of " << kKey << "\n"
            << "checking that the program and the minimal program send the same statements ..." << std::endl;
  CheckSameStatements(setup, folder);
  std::cout << "\nmeasuring: median [min-max] of " << options.repetitions
            << " rounds after one warm-up; the ways take turns, each on a fresh copy of the reports database\n\n";
  std::vector<Way> ways = Ways(setup);
  MeasureWays(options, setup, ways);
  return PrintFigures(setup, ways);
}

int Run(const Options& options) {
  WorkFolder folder(options);
  std::vector<std::vector<std::string>> rows = {
      {"engine", "tables", "program ms", "floor ms", "program/floor wall", "program/floor CPU"}};
  for (const std::int64_t folders : kFolderCounts) rows.push_back(Measure(options, folder, folders, nullptr));
  const PostgresServer server;
  std::cout << "\nPostgreSQL server: " << server.Settings() << "\n";
  for (const std::int64_t folders : kFolderCounts) rows.push_back(Measure(options, folder, folders, &server));
  std::cout << "\nUpdate against its floor, the same statements over one connection:\n";
  PrintTable(rows);
  return 0;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
  return bench::BenchmarkMain(argc, argv, "update_bench",
      "Times Update of A000001's account fields into 499, 999 and 1999 folder tables of 1000 rows by\n"
      "quorvia-utilities, against its floor, the same statements from a minimal ODBC program over one\n"
      "connection, and beside that program with a connection per walk level; on SQLite, then on a private\n"
      "PostgreSQL server through psqlODBC.",
      bench::Run, {{"per-level", bench::PerLevelMode}, {"one-connection", bench::OneConnectionMode}});
}
