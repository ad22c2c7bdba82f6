// Account commands: Merge and Delete of the account with 20 location accounts
// and 1,000 related items, run in-process through the main form on fresh
// copies of a small and a 100 times larger store, against the same row
// changes made by plain SQLite statements.

#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/form1.h"
#include "bench/bench_support.h"
#include "bench/plain_commands.h"
#include "host/linux_platform.h"
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

// Runs one command line through the main form, as quorvia-utilities does,
// and fails unless it did its work without skipping a failing call.
void RunCommand(const std::string& path, const std::string& command_line) {
  std::ostringstream trace;
  host::LinuxPlatform platform(path, host::testing::QuietDesktop(std::make_unique<YesMessageBox>()));
  app::Form1 form(platform, command_line, &trace);
  if (form.Run() != app::Outcome::kDone) Fail(command_line + ": the command did not end as done");
  if (!trace.str().empty()) Fail(command_line + ": failing calls were skipped:\n" + trace.str());
}

enum class Way { kHosts, kPlain };

struct Command {
  const char* name;
  std::string line;                                          // for the hosts
  void (*plain)(const std::string&, const CommandAccounts&);  // the plain SQLite way
};

struct Measured {
  double seconds = 0;
  StoreCounts after;
};

// Median time of the command on fresh copies of the store, and what the
// last run left in its copy.
Measured Measure(const Options& options, const WorkFolder& folder, const StoreSize& size,
                 const CommandAccounts& accounts, const Command& command, Way way) {
  const std::filesystem::path base = folder.Path(size.file);
  const std::filesystem::path copy = folder.Path(std::string("copy-") + size.file);
  Measured measured;
  measured.seconds = MedianSeconds(
      options.repetitions,
      [&] {
        if (way == Way::kHosts) {
          RunCommand(copy.string(), command.line);
        } else {
          command.plain(copy.string(), accounts);
        }
      },
      [&] { CopyStore(base, copy); });
  measured.after = CountStore(copy.string(), accounts);
  RemoveStore(copy);
  return measured;
}

struct CommandTimes {
  Measured hosts;
  Measured plain;
};

std::string CountsText(const StoreCounts& counts) {
  return std::to_string(counts.key_items) + " / " + std::to_string(counts.survivor_items) + " / " +
         std::to_string(counts.key_locations) + " / " + std::to_string(counts.items);
}

std::vector<CommandTimes> MeasureStore(const Options& options, const WorkFolder& folder, const StoreSize& size,
                                       std::vector<std::vector<std::string>>& checks) {
  const std::string base = folder.Path(size.file).string();
  CheckpointStore(base);
  const CommandAccounts accounts = FindCommandAccounts(base);
  checks.push_back({size.name, "before", "-", CountsText(CountStore(base, accounts))});
  const std::vector<Command> commands = {
      {"MERGE", "Merge;" + accounts.survivor_entry_id + ";;" + accounts.survivor + ";" + accounts.key, PlainMerge},
      {"DELETE", "Delete;" + accounts.key_entry_id + ";;" + accounts.key, PlainDelete},
  };
  std::cout << size.name << ": merging " << accounts.key << " into " << accounts.survivor << ", deleting "
            << accounts.key << std::endl;
  std::vector<CommandTimes> times;
  for (const Command& command : commands) {
    CommandTimes time{Measure(options, folder, size, accounts, command, Way::kHosts),
                      Measure(options, folder, size, accounts, command, Way::kPlain)};
    if (!(time.hosts.after == time.plain.after)) Fail(std::string(command.name) + ": the two ways differ");
    if (time.hosts.after.key_items != 0) Fail(std::string(command.name) + ": items of the key remain");
    checks.push_back({size.name, command.name, "hosts", CountsText(time.hosts.after)});
    checks.push_back({size.name, command.name, "SQLite", CountsText(time.plain.after)});
    times.push_back(time);
  }
  return times;
}

void PrintTimes(const std::vector<CommandTimes>& small, const std::vector<CommandTimes>& large) {
  const char* names[] = {"MERGE", "DELETE"};
  std::vector<std::vector<std::string>> rows = {{"command", "store", "hosts ms", "SQLite ms", "hosts/SQLite"}};
  for (std::size_t c = 0; c < small.size(); ++c) {
    for (const auto* store : {&small, &large}) {
      const CommandTimes& time = (*store)[c];
      rows.push_back({names[c], store == &small ? "SMALL" : "LARGE", Millis(time.hosts.seconds),
                      Millis(time.plain.seconds), Ratio(time.hosts.seconds, time.plain.seconds, 3.0)});
    }
  }
  PrintTable(rows);
  std::cout << "\n";
  rows = {{"command", "LARGE/SMALL hosts", "LARGE/SMALL SQLite"}};
  for (std::size_t c = 0; c < small.size(); ++c) {
    rows.push_back({names[c], Ratio(large[c].hosts.seconds, small[c].hosts.seconds, 1.5),
                    Ratio(large[c].plain.seconds, small[c].plain.seconds, 1.5)});
  }
  PrintTable(rows);
}

int Run(const Options& options) {
  WorkFolder folder(options);
  folder.MakeStore(kSmall);
  folder.MakeStore(kLarge);
  std::cout << "\nmeasuring: median of " << options.repetitions
            << " runs after one warm-up, each on a fresh copy of the store\n";
  std::vector<std::vector<std::string>> checks = {
      {"store", "after", "way", "A000001 items / survivor items / locations of A000001 / all items"}};
  const auto small = MeasureStore(options, folder, kSmall, checks);
  const auto large = MeasureStore(options, folder, kLarge, checks);
  std::cout << "\nMERGE: Merge;ENTRYID;;SURVIVOR;A000001 (20 location accounts, 1000 related items in 200 folders)\n"
               "DELETE: Delete;ENTRYID;;A000001, answered Yes\n\n";
  PrintTimes(small, large);
  std::cout << "\n";
  PrintTable(checks);
  return 0;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
  return bench::BenchmarkMain(argc, argv, "accounts_bench",
      "Times Merge and Delete of the account with 1000 related items through the main form and with\n"
      "plain SQLite, on fresh copies of a small and a large demo store.", bench::Run);
}
