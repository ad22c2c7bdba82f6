#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "host/error.h"
#include "host/store/schema.h"
#include "host/store/test_store.h"
#include "host/testing/crm_store.h"
#include "inspector/note_item.h"
#include "tests/e2e/child_process.h"
#include "tools/store_check.h"

// Runs of the built programs that overlap or are killed on one store: each
// run is one transaction, so two runs end as they would one after the
// other, and a killed run leaves nothing.
namespace e2e {
namespace {

using host::testing::Snapshot;

constexpr int kRelatedPerAccount = 300;
constexpr int kRounds = 20;

// A command as a user starts it: a program of the build with its arguments
// and standard input, or the save of a note window, made by this process.
struct Command {
  std::string program;
  std::vector<std::string> args;
  std::string input;
  std::function<int(const std::string& path)> here;
};

Command Utility(const std::string& command_line, const std::string& input = "") {
  return {"quorvia-utilities", {command_line}, input, {}};
}

const Command kMerge = Utility("Merge;E1;;A100;B200");  // Beta (B200) into Acme (A100)
const Command kMergeAcmeIntoGamma = Utility("Merge;E5;;C300;A100");
const Command kDeleteBeta = Utility("Delete;E2;;B200", "y\n");

// A command under way, or the status of one made here already.
struct Running {
  std::unique_ptr<ChildProcess> child;
  int status = -1;
  int Wait() { return child ? child->Wait().status : status; }
};

Running Start(const Command& command, const std::string& path) {
  if (command.here) return {nullptr, command.here(path)};
  std::vector<std::string> args = command.args;
  if (command.program == "quorvia-store") args.insert(args.begin(), {"--store", path});
  return {std::make_unique<ChildProcess>(
      BuiltProgram(command.program), args,
      std::map<std::string, std::string>{{"QUORVIA_STORE", path}, {"QUORVIA_UI", "console"}, {"QUORVIA_LOG", "0"}},
      command.input)};
}

Snapshot SnapshotOf(const std::string& path) {
  const auto db = store::OpenStore(path);
  return host::testing::TakeSnapshot(*db);
}

std::vector<std::string> ProblemsOf(const std::string& path) {
  return storetool::CheckStore(*store::OpenStore(path));
}

// The run the store's journal holds last.
std::string LastRun(const std::string& path) {
  const auto db = store::OpenStore(path);
  store::Statement last(*db, "SELECT run_id FROM runs ORDER BY id DESC LIMIT 1");
  return last.Step() ? last.Text(0) : "";
}

// Undo of the Merge of Beta into Acme, made on the store first.
Command UndoOfMerge(const std::string& path) {
  EXPECT_EQ(Start(kMerge, path).Wait(), 0);
  return {"quorvia-store", {"undo", LastRun(path)}, "", {}};
}

class ProcessSafetyTest : public ::testing::Test {
 protected:
  // The small test CRM with many more related items for Beta (B200) and
  // Gamma (C300) spread over its folders, so that each command takes a while.
  std::string NewStore(const std::string& name) {
    const std::string path = dir_.File(name);
    host::testing::CrmStore crm(path);
    beta_note_ = store::testing::TestStore::EntryId(crm.beta_note);
    const std::int64_t folders[] = {crm.contacts, crm.east, crm.activities, crm.quarter, crm.alerts};
    const char* classes[] = {"IPM.Contact", "IPM.Contact", "IPM.Post", "IPM.Post", "IPM.StickyNote"};
    for (int i = 0; i < kRelatedPerAccount; ++i) {
      for (const char* key : {"B200", "C300"}) {
        crm.store.AddItem(folders[i % 5], classes[i % 5],
                          {{"AccountID", key}, {"Account Name", key}, {"Account Manager", "M"},
                           {"Team", "T"}, {"Alignment", "Standard"}});
      }
    }
    return path;
  }

  // A copy of the closed store `from`.
  std::string Copy(const std::string& from, const std::string& name) {
    const std::string path = dir_.File(name);
    std::filesystem::copy_file(from, path);
    return path;
  }

  // A note window's save of Beta's sticky note: 0 when stored, 1 when the
  // store refused it (the note was deleted first).
  Command SaveOfBetaNote() {
    return {"", {}, "", [note = beta_note_](const std::string& path) {
              try {
                inspector::ItemAccess(path).Save(note, "saved by its window", std::nullopt);
                return 0;
              } catch (const host::Error&) {
                return 1;
              }
            }};
  }

  store::testing::TempDir dir_;
  std::string beta_note_;
};

// Whether a status seen in a race is the one `command` gets in a serial
// order: a Delete whose account item went away after its question ends as
// not done (1) where, started later, it would not have found it (4).
bool AsInSerialOrder(int status, int serial, const Command& command) {
  const bool is_delete = !command.args.empty() && command.args.front().starts_with("Delete;");
  const bool delete_lost_its_item = is_delete && serial == 4 && status == 1;
  return status == serial || delete_lost_its_item;
}

TEST_F(ProcessSafetyTest, OverlappingRunsEndAsInOneSerialOrder) {
  const struct {
    std::string name;
    std::function<std::array<Command, 2>(const std::string& path)> prepare;
  } races[] = {
      {"two merges of one account", [](const std::string&) { return std::array{kMerge, kMergeAcmeIntoGamma}; }},
      {"merge and delete of one account", [](const std::string&) { return std::array{kMerge, kDeleteBeta}; }},
      {"undo and merge", [](const std::string& path) { return std::array{UndoOfMerge(path), kMergeAcmeIntoGamma}; }},
      {"delete and a note window's save", [&](const std::string&) { return std::array{kDeleteBeta, SaveOfBetaNote()}; }},
  };
  for (const auto& race : races) {
    const std::string base = NewStore(race.name + ".db");
    const std::array<Command, 2> commands = race.prepare(base);
    struct Serial {
      std::array<int, 2> statuses;
      Snapshot snapshot;
    };
    std::vector<Serial> orders;
    for (const std::array<int, 2> order : {std::array{0, 1}, std::array{1, 0}}) {
      const std::string path = Copy(base, race.name + "-serial-" + std::to_string(order[0]) + ".db");
      Serial serial;
      for (const int i : order) serial.statuses[i] = Start(commands[i], path).Wait();
      serial.snapshot = SnapshotOf(path);
      orders.push_back(serial);
    }
    for (int round = 0; round < kRounds; ++round) {
      const std::string path = Copy(base, race.name + "-" + std::to_string(round) + ".db");
      // A save made here would end before a process started after it.
      const int first = commands[1].here ? 0 : round % 2;
      Running started = Start(commands[first], path);
      std::this_thread::sleep_for(std::chrono::milliseconds(round / 2));
      std::array<int, 2> statuses;
      statuses[1 - first] = Start(commands[1 - first], path).Wait();
      statuses[first] = started.Wait();
      const Snapshot snapshot = SnapshotOf(path);
      const bool serializable = std::any_of(orders.begin(), orders.end(), [&](const Serial& serial) {
        return snapshot == serial.snapshot && AsInSerialOrder(statuses[0], serial.statuses[0], commands[0]) &&
               AsInSerialOrder(statuses[1], serial.statuses[1], commands[1]);
      });
      EXPECT_TRUE(serializable) << race.name << ", round " << round << ": statuses " << statuses[0] << " and "
                                << statuses[1];
      EXPECT_EQ(ProblemsOf(path), ProblemsOf(base)) << race.name << ", round " << round;
    }
  }
}

TEST_F(ProcessSafetyTest, AKilledRunLeavesTheStoreAsBeforeOrAfterAndItsRerunFinishesIt) {
  const struct {
    std::string name;
    std::function<Command(const std::string& path)> prepare;
  } cases[] = {
      {"merge", [](const std::string&) { return kMerge; }},
      {"delete", [](const std::string&) { return kDeleteBeta; }},
      {"undo", UndoOfMerge},
  };
  for (const auto& c : cases) {
    const std::string base = NewStore(c.name + ".db");
    const Command command = c.prepare(base);
    const Snapshot before = SnapshotOf(base);
    const std::string reference = Copy(base, c.name + "-whole.db");
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(Start(command, reference).Wait(), 0) << c.name;
    const auto whole = std::chrono::steady_clock::now() - started;
    const Snapshot after = SnapshotOf(reference);
    int cut_short = 0;
    for (int eighth = 1; eighth < 8; ++eighth) {
      const std::string path = Copy(base, c.name + "-killed-" + std::to_string(eighth) + ".db");
      Running killed = Start(command, path);
      std::this_thread::sleep_for(whole * eighth / 8);
      killed.child->Kill(SIGKILL);
      if (killed.Wait() == 128 + SIGKILL) ++cut_short;
      const Snapshot left = SnapshotOf(path);
      EXPECT_TRUE(left == before || left == after) << c.name << " killed at " << eighth << "/8 of its time";
      EXPECT_EQ(ProblemsOf(path), ProblemsOf(base)) << c.name << " killed at " << eighth << "/8";
      Start(command, path).Wait();
      EXPECT_EQ(SnapshotOf(path), after) << c.name << " killed at " << eighth << "/8, then run again";
    }
    EXPECT_GT(cut_short, 0) << c.name << ": no run was killed before it ended";
  }
}

}  // namespace
}  // namespace e2e
