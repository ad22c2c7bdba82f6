// Account commands: Merge and Delete of the account with 20 location accounts
// and 1,000 related items by the built quorvia-utilities, on fresh copies of
// a small and a 100 times larger store, with the journal off and on, against
// the same row changes made by plain SQLite programs, item by item (the
// items found by one query, a transaction per item) and set-based in one
// transaction; the undo of each journaled command by quorvia-store; and the
// write-ahead log that a command leaves. Every way is a process of its own.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/log_growth.h"
#include "bench/plain_commands.h"

namespace bench {
namespace {

namespace fs = std::filesystem;

void SetEnvironment(const char* name, const std::string& value) {
  if (setenv(name, value.c_str(), 1) != 0) Fail(std::string("cannot set ") + name);
}

// The program and the tool find the store, the terminal and their run log
// through this process's environment.
void SetRunEnvironment(const WorkFolder& folder) {
  SetEnvironment("QUORVIA_UI", "console");
  SetEnvironment("XDG_STATE_HOME", folder.Path("state").string());
  std::ofstream(folder.Path("yes.txt")) << "Yes\n";
  unsetenv("QUORVIA_TRACE");
}

// Runs quorvia-utilities on the store at `path`, Delete's question answered
// Yes, and fails unless it ends with status 0.
ChildRun RunProgram(const WorkFolder& folder, const std::string& path, const std::string& command_line,
                    bool journal) {
  SetEnvironment("QUORVIA_STORE", path);
  SetEnvironment("QUORVIA_JOURNAL", journal ? "1" : "0");
  const ChildRun run = RunChild({QUORVIA_UTILITIES_PROGRAM, command_line}, 0, folder.Path("errors.txt"), "/dev/null",
                                folder.Path("yes.txt"));
  unsetenv("QUORVIA_JOURNAL");
  return run;
}

// The newest run in the store's journal, as quorvia-store history lists it.
std::string LastRun(const WorkFolder& folder, const std::string& path) {
  const fs::path listed = folder.Path("history.txt");
  RunChild({QUORVIA_STORE_PROGRAM, "--store", path, "history"}, 0, {}, listed);
  std::string run_id;
  std::getline(std::ifstream(listed), run_id, '\t');
  if (run_id.empty()) Fail(path + ": the journal holds no run");
  return run_id;
}

// The program's way without and with the journal, the two plain SQLite
// ways, and the undo of the program's journaled run, in this order.
constexpr const char* kWays[] = {"quorvia-utilities", "quorvia-utilities, journaled", "SQLite per item",
                                 "SQLite set-based", "quorvia-store undo"};
constexpr std::size_t kWayCount = std::size(kWays);
enum : std::size_t { kProgram, kJournaled, kPerItem, kSetBased, kUndo };

struct Command {
  const char* name;
  std::string line;  // for the program
  const char* per_item_mode;
  const char* set_based_mode;
};

// A plain SQLite way in a process of its own: `--as MODE PATH KEY ...`.
CommandAccounts AccountsOf(const std::vector<std::string>& args) {
  if (args.size() != 5) Fail("a plain way takes the store and the four account fields");
  return {args[1], args[2], args[3], args[4]};
}
std::vector<std::string> ModeArgs(const std::string& path, const CommandAccounts& accounts) {
  return {path, accounts.key, accounts.key_entry_id, accounts.survivor, accounts.survivor_entry_id};
}
void PerItemMerge(const std::vector<std::string>& args) { PlainMerge(args.at(0), AccountsOf(args)); }
void SetBasedMerge(const std::vector<std::string>& args) { SetMerge(args.at(0), AccountsOf(args)); }
void PerItemDelete(const std::vector<std::string>& args) { PlainDelete(args.at(0), AccountsOf(args)); }
void SetBasedDelete(const std::vector<std::string>& args) { SetDelete(args.at(0), AccountsOf(args)); }

// The samples of every measured run per way.
struct CommandTimes {
  const char* command;
  const char* store;
  WaySamples ways;
};

std::string CountsText(const StoreCounts& counts) {
  return std::to_string(counts.key_items) + " / " + std::to_string(counts.survivor_items) + " / " +
         std::to_string(counts.key_locations) + " / " + std::to_string(counts.items);
}

std::string DumpText(const StoreDump& dump) {
  char text[96];
  std::snprintf(text, sizeof text, "%lld items %016llx, %lld properties %016llx", static_cast<long long>(dump.items),
                static_cast<unsigned long long>(dump.items_digest), static_cast<long long>(dump.properties),
                static_cast<unsigned long long>(dump.properties_digest));
  return text;
}

// The ways take turns, each run on a fresh copy of the store. After the
// warm-up run of each way the copy's items and properties must be the same
// as the program left them, else the figures would compare different work.
CommandTimes MeasureCommand(const Options& options, const WorkFolder& folder, const StoreSize& size,
                            const CommandAccounts& accounts, const Command& command,
                            std::vector<std::vector<std::string>>& checks) {
  const fs::path base = folder.Path(size.file);
  const std::string copy = folder.Path(std::string("copy-") + size.file).string();
  const StoreDump base_dump = DumpStore(base.string());
  StoreDump program_dump;
  auto samples = RunRounds(options.repetitions, kWayCount, [&](std::size_t way, bool warm_up) {
    CopyStore(base, copy);
    ChildRun run;
    if (way == kProgram || way == kJournaled) run = RunProgram(folder, copy, command.line, way == kJournaled);
    if (way == kPerItem) run = RunSelf(command.per_item_mode, ModeArgs(copy, accounts));
    if (way == kSetBased) run = RunSelf(command.set_based_mode, ModeArgs(copy, accounts));
    if (way == kUndo) {
      // The undo is timed alone, after its command.
      RunProgram(folder, copy, command.line, true);
      run = RunChild({QUORVIA_STORE_PROGRAM, "--store", copy, "undo", LastRun(folder, copy)}, 0, "/dev/null",
                     "/dev/null");
    }
    if (warm_up && way == kUndo && !(DumpStore(copy) == base_dump)) {
      Fail(std::string(command.name) + " on " + size.name + ": the undo did not give back the store's rows");
    } else if (warm_up && way != kUndo) {
      const StoreCounts counts = CountStore(copy, accounts);
      if (counts.key_items != 0) Fail(std::string(command.name) + ", " + kWays[way] + ": items of the key remain");
      const StoreDump dump = DumpStore(copy);
      if (way == kProgram) program_dump = dump;
      checks.push_back({size.name, command.name, kWays[way], CountsText(counts), DumpText(dump)});
      if (!(dump == program_dump)) {
        Fail(std::string(command.name) + " on " + size.name + ": " + kWays[way] + " left other rows than the program: " +
             DumpText(dump) + " against " + DumpText(program_dump));
      }
    }
    return Sample(run);
  });
  RemoveStore(copy);
  return {command.name, size.name, samples};
}

// The program against the set-based way: on SMALL the walk of every folder
// is a fixed cost that the set-based way does not pay.
constexpr double kSmallGoal = 1.8;
constexpr double kLargeGoal = 1.3;
// Log frames written per page the command changed.
constexpr double kFramesGoal = 2.0;

// The log that each command, journaled, leaves on a fresh copy: one row.
std::vector<std::string> LogRow(const WorkFolder& folder, const StoreSize& size, const Command& command) {
  const std::string copy = folder.Path(std::string("copy-") + size.file).string();
  CopyStore(folder.Path(size.file), copy);
  const LogGrowth growth = MeasureLogGrowth(copy, [&] { RunProgram(folder, copy, command.line, true); });
  RemoveStore(copy);
  return {command.name, size.name, std::to_string(growth.frames), std::to_string(growth.pages_changed),
          Ratio(static_cast<double>(growth.frames), static_cast<double>(growth.pages_changed), kFramesGoal)};
}

void MeasureStore(const Options& options, const WorkFolder& folder, const StoreSize& size,
                  std::vector<CommandTimes>& times, std::vector<std::vector<std::string>>& checks,
                  std::vector<std::vector<std::string>>& logs) {
  const std::string base = folder.Path(size.file).string();
  CheckpointStore(base);
  const CommandAccounts accounts = FindCommandAccounts(base);
  checks.push_back({size.name, "before", "-", CountsText(CountStore(base, accounts)), DumpText(DumpStore(base))});
  const std::vector<Command> commands = {
      {"MERGE", "Merge;" + accounts.survivor_entry_id + ";;" + accounts.survivor + ";" + accounts.key,
       "per-item-merge", "set-based-merge"},
      {"DELETE", "Delete;" + accounts.key_entry_id + ";;" + accounts.key, "per-item-delete", "set-based-delete"},
  };
  std::cout << size.name << ": merging " << accounts.key << " into " << accounts.survivor << ", deleting "
            << accounts.key << std::endl;
  for (const Command& command : commands) {
    times.push_back(MeasureCommand(options, folder, size, accounts, command, checks));
    logs.push_back(LogRow(folder, size, command));
  }
}


double MedianWall(const std::vector<Sample>& samples) { return Median(WallTimes(samples)); }

void PrintTimes(const std::vector<CommandTimes>& times) {
  WayTable table = NewWayTable({"command", "store"});
  for (const CommandTimes& time : times) {
    const bool small = time.store == std::string(kSmall.name);
    // The program and the per-item way against the set-based floor.
    AddWays(table, {time.command, time.store}, {kWays[kProgram], kWays[kPerItem], kWays[kSetBased]},
            {time.ways[kProgram], time.ways[kPerItem], time.ways[kSetBased]}, 2, 0, small ? kSmallGoal : kLargeGoal);
  }
  PrintWays(table);
  std::cout << "\nthe journal and its undo\n";
  table = NewWayTable({"command", "store"});
  for (const CommandTimes& time : times) {
    AddWays(table, {time.command, time.store}, {kWays[kJournaled], kWays[kProgram]},
            {time.ways[kJournaled], time.ways[kProgram]}, 1, 0, 1.2);
    AddWays(table, {time.command, time.store}, {kWays[kUndo], kWays[kJournaled]},
            {time.ways[kUndo], time.ways[kJournaled]}, 1, 0, 1.0);
  }
  PrintWays(table);
  if (times.size() < 4) return;
  std::cout << "\n";
  std::vector<std::vector<std::string>> rows = {
      {"command", "LARGE/SMALL program", "LARGE/SMALL per item", "LARGE/SMALL set-based"}};
  for (std::size_t c = 0; c < 2; ++c) {
    std::vector<std::string> row = {times[c].command};
    for (std::size_t way : {kProgram, kPerItem, kSetBased}) {
      row.push_back(Fixed(MedianWall(times[c + 2].ways[way]) / MedianWall(times[c].ways[way]), 2));
    }
    rows.push_back(row);
  }
  PrintTable(rows);
}

int Run(const Options& options) {
  WorkFolder folder(options);
  SetRunEnvironment(folder);
  for (const StoreSize& size : Sizes(options)) folder.MakeStore(size);
  std::cout << "\nmeasuring: median [min-max] of " << options.repetitions
            << " rounds after one warm-up round; the five ways take turns, each run on a fresh copy of the store\n";
  std::vector<std::vector<std::string>> checks = {
      {"store", "after", "way", "A000001 items / survivor items / locations of A000001 / all items",
       "items and properties (rows, digest)"}};
  std::vector<CommandTimes> times;
  std::vector<std::vector<std::string>> logs = {
      {"command", "store", "log frames", "pages changed", "frames/page"}};
  for (const StoreSize& size : Sizes(options)) MeasureStore(options, folder, size, times, checks, logs);
  std::cout << "\nMERGE: Merge;ENTRYID;;SURVIVOR;A000001 (20 location accounts, 1000 related items in 200 folders)\n"
               "DELETE: Delete;ENTRYID;;A000001, answered Yes\n"
               "quorvia-utilities runs with QUORVIA_JOURNAL=0 unless journaled; SQLite per item: the items found by\n"
               "one query, one transaction per item; set-based: a few UPDATE and DELETE statements in one\n"
               "transaction; undo: quorvia-store undo of the journaled run (the run itself untimed)\n\n";
  PrintTimes(times);
  std::cout << "\nthe write-ahead log a journaled run leaves, against the pages of the store it changed\n";
  PrintTable(logs);
  std::cout << "\nafter each way's warm-up run (every way must leave the program's items and properties)\n";
  PrintTable(checks);
  return 0;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
  return bench::BenchmarkMain(argc, argv, "accounts_bench",
      "Times Merge and Delete of the account with 1000 related items by quorvia-utilities and by plain\n"
      "SQLite programs per item and set-based, on fresh copies of a small and a large demo store.", bench::Run,
      {{"per-item-merge", bench::PerItemMerge}, {"set-based-merge", bench::SetBasedMerge},
       {"per-item-delete", bench::PerItemDelete}, {"set-based-delete", bench::SetBasedDelete}});
}
