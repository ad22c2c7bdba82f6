// Account commands: Merge and Delete of the account with 20 location accounts
// and 1,000 related items by the built quorvia-utilities, on fresh copies of
// a small and a 100 times larger store, with the journal off and on, against
// the same row changes made by plain SQL programs, item by item (the items
// found by one query, a transaction per item) and set-based in one
// transaction; the undo of each journaled command by quorvia-store; and
// sixteen Merges of different accounts at once. All of it on SQLite files,
// then on a private PostgreSQL server. Every way is a process of its own.

#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "bench/account_checks.h"
#include "bench/account_ways.h"
#include "bench/bench_support.h"
#include "bench/concurrent_merges.h"
#include "bench/log_growth.h"
#include "bench/plain_commands.h"
#include "bench/program_runs.h"
#include "bench/store_engines.h"

namespace bench {
namespace {

struct Command {
  const char* name;
  std::string line;  // for the program
  const char* per_item_mode;
  const char* set_based_mode;
};

// A plain way in a process of its own: `--as MODE LOCATION KEY ...`.
CommandAccounts AccountsOf(const std::vector<std::string>& args) {
  if (args.size() != 5) Fail("a plain way takes the store and the four account fields");
  return {args[1], args[2], args[3], args[4]};
}
std::vector<std::string> ModeArgs(const std::string& location, const CommandAccounts& accounts) {
  return {location, accounts.key, accounts.key_entry_id, accounts.survivor, accounts.survivor_entry_id};
}
void PerItemMerge(const std::vector<std::string>& args) { PlainMerge(args.at(0), AccountsOf(args)); }
void SetBasedMerge(const std::vector<std::string>& args) { SetMerge(args.at(0), AccountsOf(args)); }
void PerItemDelete(const std::vector<std::string>& args) { PlainDelete(args.at(0), AccountsOf(args)); }
void SetBasedDelete(const std::vector<std::string>& args) { SetDelete(args.at(0), AccountsOf(args)); }

// One way's run on the fresh copy at `copy`.
ChildRun RunWay(const WorkFolder& folder, const std::string& copy, const CommandAccounts& accounts,
                const Command& command, std::size_t way) {
  switch (way) {
    case kProgram:
    case kJournaled: return RunProgram(folder, copy, command.line, way == kJournaled);
    case kPerItem: return RunSelf(command.per_item_mode, ModeArgs(copy, accounts));
    case kSetBased: return RunSelf(command.set_based_mode, ModeArgs(copy, accounts));
    default:
      // The undo is timed alone, after its command.
      RunProgram(folder, copy, command.line, true);
      return RunChild({QUORVIA_STORE_PROGRAM, "--store", copy, "undo", LastRun(folder, copy)}, 0, "/dev/null",
                      "/dev/null");
  }
}

// The ways take turns, each run on a fresh copy of the store; after each
// way's warm-up run the copy is checked (see AccountChecks).
CommandTimes MeasureCommand(const Options& options, const WorkFolder& folder, StoreEngine& engine,
                            const StoreSize& size, const CommandAccounts& accounts, const Command& command,
                            AccountChecks& checks) {
  const Trial trial{engine.Name(), size.name, command.name, accounts};
  checks.Start(trial, engine.FreshCopy(size));
  auto samples = RunRounds(options.repetitions, kWayCount, [&](std::size_t way, bool warm_up) {
    const std::string copy = engine.FreshCopy(size);
    const ChildRun run = RunWay(folder, copy, accounts, command, way);
    if (warm_up) checks.Check(trial, way, copy);
    return Sample(run);
  });
  engine.RemoveCopies();
  return {engine.Name(), engine.Server(), command.name, size.name, samples};
}

// Log frames written per page the command changed.
constexpr double kFramesGoal = 2.0;

// The write-ahead log that each command, journaled, leaves in a fresh copy
// of a store file: one row.
std::vector<std::string> LogRow(const WorkFolder& folder, StoreEngine& files, const StoreSize& size,
                                const Command& command) {
  const std::string copy = files.FreshCopy(size);
  const LogGrowth growth = MeasureLogGrowth(copy, [&] { RunProgram(folder, copy, command.line, true); });
  files.RemoveCopies();
  return {command.name, size.name, std::to_string(growth.frames), std::to_string(growth.pages_changed),
          Ratio(static_cast<double>(growth.frames), static_cast<double>(growth.pages_changed), kFramesGoal)};
}

struct Figures {
  std::vector<CommandTimes> times;
  std::vector<std::vector<std::string>> logs = {{"command", "store", "log frames", "pages changed", "frames/page"}};
  std::vector<std::vector<std::string>> concurrency = {ConcurrencyHeader()};
  // The store copied onto the server by quorvia-store copy and vacuumed.
  std::vector<std::vector<std::string>> copies = {{"store", "copied onto the server and vacuumed, s"}};
  std::map<std::string, std::string> settings;  // by engine
  std::string merged_digest;                      // what the concurrent Merges left, on every engine
  AccountChecks checks;
};

void MeasureStore(const Options& options, const WorkFolder& folder, StoreEngine& engine, const StoreSize& size,
                  Figures& figures) {
  const CommandAccounts accounts = FindCommandAccounts(folder.Path(size.file).string());
  const std::vector<Command> commands = {
      {"MERGE", "Merge;" + accounts.survivor_entry_id + ";;" + accounts.survivor + ";" + accounts.key,
       "per-item-merge", "set-based-merge"},
      {"DELETE", "Delete;" + accounts.key_entry_id + ";;" + accounts.key, "per-item-delete", "set-based-delete"},
  };
  std::cout << engine.Name() << ", " << size.name << ": merging " << accounts.key << " into " << accounts.survivor
            << ", deleting " << accounts.key << std::endl;
  for (const Command& command : commands) {
    figures.times.push_back(MeasureCommand(options, folder, engine, size, accounts, command, figures.checks));
    if (!engine.Server()) figures.logs.push_back(LogRow(folder, engine, size, command));
  }
}

// Every figure of one engine, its stores made from the files in the folder.
void MeasureEngine(const Options& options, const WorkFolder& folder, StoreEngine& engine, Figures& figures) {
  figures.settings[engine.Name()] = engine.Settings();
  for (const StoreSize& size : Sizes(options)) {
    const double seconds = Seconds([&] { engine.AddStore(size, folder.Path(size.file)); });
    if (engine.Server()) figures.copies.push_back({size.name, Fixed(seconds, 1)});
    MeasureStore(options, folder, engine, size, figures);
  }
  std::cout << engine.Name() << ", SMALL: " << kConcurrentMerges << " Merges at once and one after another"
            << std::endl;
  const ConcurrencyResult result =
      MeasureConcurrentMerges(options, folder, engine, kSmall, FindMergeLines(folder.Path(kSmall.file).string()));
  engine.RemoveCopies();
  figures.concurrency.push_back(result.row);
  if (!figures.merged_digest.empty() && figures.merged_digest != result.digest) {
    Fail(std::string(engine.Name()) + ": the concurrent Merges left another export than on the first engine");
  }
  figures.merged_digest = result.digest;
}

void PrintSettings(const Figures& figures) {
  for (const auto& [engine, settings] : figures.settings) std::cout << engine << ": " << settings << "\n";
}

int Run(const Options& options) {
  WorkFolder folder(options);
  SetRunEnvironment(folder);
  for (const StoreSize& size : Sizes(options)) {
    folder.MakeStore(size);
    CheckpointStore(folder.Path(size.file));
  }
  std::cout << "\nmeasuring: median [min-max] of " << options.repetitions
            << " rounds after one warm-up round; the ways take turns, each run on a fresh copy of the store\n";
  Figures figures;
  MeasureEngine(options, folder, *SqliteEngine(folder), figures);
  MeasureEngine(options, folder, *PostgresEngine(), figures);
  std::cout << "\nMERGE: Merge;ENTRYID;;SURVIVOR;A000001 (20 location accounts, 1000 related items in 200 folders)\n"
               "DELETE: Delete;ENTRYID;;A000001, answered Yes\n"
               "quorvia-utilities runs with QUORVIA_JOURNAL=0 unless journaled; per item: the items found by\n"
               "one query, one transaction per item; set-based: a few UPDATE and DELETE statements in one\n"
               "transaction; undo: quorvia-store undo of the journaled run (the run itself untimed)\n";
  PrintSettings(figures);
  std::cout << "\n";
  PrintCommandTimes(figures.times);
  std::cout << "\nthe write-ahead log a journaled run leaves in a SQLite file, against the pages it changed\n";
  PrintTable(figures.logs);
  std::cout << "\n" << kConcurrentMerges << " Merges of different account pairs on SMALL, journaled, each "
            << "Merge;ENTRYID;;SURVIVOR;KEY; median [min-max]\n";
  PrintSettings(figures);
  PrintTable(figures.concurrency);
  std::cout << "\n";
  PrintTable(figures.copies);
  std::cout << "\n";
  figures.checks.Print();
  return 0;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
  return bench::BenchmarkMain(argc, argv, "accounts_bench",
      "Times Merge and Delete of the account with 1000 related items by quorvia-utilities and by plain\n"
      "SQL programs per item and set-based, on fresh copies of a small and a large demo store, and 16\n"
      "Merges of different accounts at once; on SQLite files, then on a private PostgreSQL server.",
      bench::Run,
      {{"per-item-merge", bench::PerItemMerge}, {"set-based-merge", bench::SetBasedMerge},
       {"per-item-delete", bench::PerItemDelete}, {"set-based-delete", bench::SetBasedDelete}});
}
