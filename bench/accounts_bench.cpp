// Account commands: Merge and Delete of the account with 20 location accounts
// and 1,000 related items, run in-process through the main form on fresh
// copies of a small and a 100 times larger store, with the journal off and
// on, against the same row changes made by plain SQLite statements,
// committed per item and set-based in one transaction; the undo of each
// journaled command; and the write-ahead log that a Delete leaves.

#include <cstdio>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/form1.h"
#include "app/store_run_end.h"
#include "app/run_log.h"
#include "bench/bench_support.h"
#include "bench/log_growth.h"
#include "bench/plain_commands.h"
#include "host/linux_platform.h"
#include "host/store/journal_undo.h"
#include "host/store/store_hosts.h"
#include "host/store/store_session.h"
#include "host/testing/quiet_desktop.h"

namespace bench {
namespace {

// Answers every question with Yes, as the user confirming the deletion.
class YesMessageBox : public host::MessageBox {
 public:
  host::MsgBoxResult Show(const std::string& /*text*/, host::MsgBoxButtons buttons, host::MsgBoxIcon /*icon*/,
                          const std::optional<std::string>& /*title*/) override {
    return buttons == host::MsgBoxButtons::kYesNo ? host::MsgBoxResult::kYes : host::MsgBoxResult::kOk;
  }
};

// A run of its own for the journal, or none when it is off.
store::RunRecord JournalRun(bool journal, const std::string& command) {
  if (!journal) return {};
  const app::RunIdentity run = app::RunIdentity::Start();
  return {run.id, run.started, run.user, command};
}

// Runs one command line through the main form, as quorvia-utilities does,
// and fails unless it did its work without skipping a failing call. Yields
// the run's identifier ("" without the journal).
std::string RunCommand(const std::string& path, const std::string& command_line, bool journal) {
  std::ostringstream trace;
  store::RunRecord run = JournalRun(journal, command_line);
  const std::string run_id = run.id;
  host::LinuxPlatform platform(path, host::testing::QuietDesktop(std::make_unique<YesMessageBox>()), std::move(run));
  app::Form1 form(platform, command_line, &trace);
  form.Run();
  app::Ending ending = form.ending();
  app::EndStoreRun(platform.store(), ending, store::Retention{}, trace);
  if (ending.outcome != app::Outcome::kDone) Fail(command_line + ": the command did not end as done");
  if (!trace.str().empty()) Fail(command_line + ": failing calls were skipped:\n" + trace.str());
  return run_id;
}

// Takes back the run as quorvia-store undo does, and fails unless it did.
void Undo(const std::string& path, const std::string& run_id) {
  store::StoreSession session(path, JournalRun(true, "quorvia-store undo " + run_id));
  const store::UndoResult result = store::UndoRun(session, run_id, false, store::Retention{});
  if (!result.done || !result.skipped.empty()) Fail("the undo of " + run_id + " did not take the run back");
}

// The program's way without and with the journal, the two plain SQLite
// ways, and the undo of the program's journaled run, in this order.
constexpr const char* kWays[] = {"hosts", "hosts + journal", "SQLite per item", "SQLite set-based", "undo"};
constexpr std::size_t kWayCount = std::size(kWays);
constexpr std::size_t kUndo = 4;

struct Command {
  const char* name;
  std::string line;                                                    // for the hosts
  void (*per_item)(const std::string&, const CommandAccounts&);        // one transaction per item
  void (*set_based)(const std::string&, const CommandAccounts&);       // one transaction in all
};

// The seconds of every measured run per way.
struct CommandTimes {
  const char* command;
  const char* store;
  std::vector<std::vector<double>> ways;
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
  const std::filesystem::path base = folder.Path(size.file);
  const std::string copy = folder.Path(std::string("copy-") + size.file).string();
  const StoreDump base_dump = DumpStore(base.string());
  StoreDump program_dump;
  auto times = RunRounds(options.repetitions, kWayCount, [&](std::size_t way, bool warm_up) {
    CopyStore(base, copy);
    // The undo is timed alone, after its command.
    const std::string run_id = way == kUndo ? RunCommand(copy, command.line, true) : "";
    const double seconds = Seconds([&] {
      if (way == 0 || way == 1) RunCommand(copy, command.line, way == 1);
      if (way == 2) command.per_item(copy, accounts);
      if (way == 3) command.set_based(copy, accounts);
      if (way == kUndo) Undo(copy, run_id);
    });
    if (warm_up && way == kUndo && !(DumpStore(copy) == base_dump)) {
      Fail(std::string(command.name) + " on " + size.name + ": the undo did not give back the store's rows");
    } else if (warm_up && way != kUndo) {
      const StoreCounts counts = CountStore(copy, accounts);
      if (counts.key_items != 0) Fail(std::string(command.name) + ", " + kWays[way] + ": items of the key remain");
      const StoreDump dump = DumpStore(copy);
      if (way == 0) program_dump = dump;
      checks.push_back({size.name, command.name, kWays[way], CountsText(counts), DumpText(dump)});
      if (!(dump == program_dump)) {
        Fail(std::string(command.name) + " on " + size.name + ": " + kWays[way] + " left other rows than the program: " +
             DumpText(dump) + " against " + DumpText(program_dump));
      }
    }
    return seconds;
  });
  RemoveStore(copy);
  return {command.name, size.name, times};
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
  const LogGrowth growth = MeasureLogGrowth(copy, [&] { RunCommand(copy, command.line, true); });
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
      {"MERGE", "Merge;" + accounts.survivor_entry_id + ";;" + accounts.survivor + ";" + accounts.key, PlainMerge,
       SetMerge},
      {"DELETE", "Delete;" + accounts.key_entry_id + ";;" + accounts.key, PlainDelete, SetDelete},
  };
  std::cout << size.name << ": merging " << accounts.key << " into " << accounts.survivor << ", deleting "
            << accounts.key << std::endl;
  for (const Command& command : commands) {
    times.push_back(MeasureCommand(options, folder, size, accounts, command, checks));
    logs.push_back(LogRow(folder, size, command));
  }
}


void PrintTimes(const std::vector<CommandTimes>& times) {
  std::vector<std::vector<std::string>> rows = {{"command", "store", "hosts ms", "SQLite per item ms",
                                                 "SQLite set-based ms", "hosts/per item", "hosts/set-based"}};
  for (const CommandTimes& time : times) {
    const double hosts = Median(time.ways[0]);
    const bool small = time.store == std::string(kSmall.name);
    rows.push_back({time.command, time.store, MillisSpread(time.ways[0]), MillisSpread(time.ways[2]),
                    MillisSpread(time.ways[3]), Fixed(hosts / Median(time.ways[2]), 2),
                    Ratio(hosts, Median(time.ways[3]), small ? kSmallGoal : kLargeGoal)});
  }
  PrintTable(rows);
  std::cout << "\n";
  rows = {{"command", "store", "hosts ms", "hosts + journal ms", "journal/no journal", "undo ms", "undo/command"}};
  for (const CommandTimes& time : times) {
    const double journaled = Median(time.ways[1]);
    rows.push_back({time.command, time.store, MillisSpread(time.ways[0]), MillisSpread(time.ways[1]),
                    Ratio(journaled, Median(time.ways[0]), 1.2), MillisSpread(time.ways[kUndo]),
                    Ratio(Median(time.ways[kUndo]), journaled, 1.0)});
  }
  PrintTable(rows);
  if (times.size() < 4) return;
  std::cout << "\n";
  rows = {{"command", "LARGE/SMALL hosts", "LARGE/SMALL per item", "LARGE/SMALL set-based"}};
  for (std::size_t c = 0; c < 2; ++c) {
    std::vector<std::string> row = {times[c].command};
    for (std::size_t way : {0, 2, 3}) {
      row.push_back(Fixed(Median(times[c + 2].ways[way]) / Median(times[c].ways[way]), 2));
    }
    rows.push_back(row);
  }
  PrintTable(rows);
}

int Run(const Options& options) {
  WorkFolder folder(options);
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
               "SQLite per item: one transaction per field and item; "
               "set-based: a few UPDATE and DELETE statements in one transaction; hosts + journal: the same\n"
               "run keeping its journal; undo: taking back that journaled run (the run itself untimed)\n\n";
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
      "Times Merge and Delete of the account with 1000 related items through the main form and with\n"
      "plain SQLite per item and set-based, on fresh copies of a small and a large demo store.", bench::Run);
}
