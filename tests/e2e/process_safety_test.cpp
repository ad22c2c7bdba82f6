#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <deque>
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
#ifdef QUORVIA_TESTS_ON_SERVER
#include "host/store/pg/pg_test_database.h"
#endif

// Runs of the built programs that overlap or are killed on one store: each
// run is one transaction, so two runs end as they would one after the
// other, and a killed run leaves nothing.
namespace e2e {
namespace {

using host::testing::Snapshot;
using store::testing::StoreLocation;

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
  return host::testing::TakeSnapshot(*store::OpenStore(path));
}

std::vector<std::string> ProblemsOf(const std::string& path) {
  return storetool::CheckStore(*store::OpenStore(path));
}

// Undo of the Merge of Beta into Acme, made on the store first: the run
// that history lists first.
Command UndoOfMerge(const std::string& path) {
  EXPECT_EQ(Start(kMerge, path).Wait(), 0);
  const std::string listed = RunStoreTool(path, {"history"}).out;
  return {"quorvia-store", {"undo", listed.substr(0, listed.find('\t'))}, "", {}};
}

class ProcessSafetyTest : public ::testing::Test {
 protected:
  // The small test CRM with many more related items for Beta (B200) and
  // Gamma (C300) spread over its folders, so that each command takes a while.
  const StoreLocation& NewStore(const std::string& name) {
    const StoreLocation& location = stores_.emplace_back(dir_, name);
    FillStore(location.str());
    return location;
  }

  void FillStore(const std::string& path) {
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
  }

  // A copy of the closed store `from`.
  std::string Copy(const StoreLocation& from, const std::string& name) {
    return stores_.emplace_back(dir_, name, from).str();
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
  std::deque<StoreLocation> stores_;
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
  // Each race by its name, and what makes its two commands for the store at a path.
  const std::pair<std::string, std::function<std::array<Command, 2>(const std::string& path)>> races[] = {
      {"two merges of one account", [](const std::string&) { return std::array{kMerge, kMergeAcmeIntoGamma}; }},
      {"merge and delete of one account", [](const std::string&) { return std::array{kMerge, kDeleteBeta}; }},
      {"undo and merge", [](const std::string& path) { return std::array{UndoOfMerge(path), kMergeAcmeIntoGamma}; }},
      {"delete and a note window's save", [&](const std::string&) { return std::array{kDeleteBeta, SaveOfBetaNote()}; }},
  };
  for (const auto& [name, prepare] : races) {
    const StoreLocation& base = NewStore(name + ".db");
    const std::array<Command, 2> commands = prepare(base.str());
    struct Serial {
      std::array<int, 2> statuses;
      Snapshot snapshot;
    };
    std::vector<Serial> orders;
    for (const std::array<int, 2> order : {std::array{0, 1}, std::array{1, 0}}) {
      const std::string path = Copy(base, name + "-serial-" + std::to_string(order[0]) + ".db");
      std::array<int, 2> statuses;
      for (const int i : order) statuses[i] = Start(commands[i], path).Wait();
      orders.push_back({statuses, SnapshotOf(path)});
    }
    for (int round = 0; round < kRounds; ++round) {
      const std::string path = Copy(base, name + "-" + std::to_string(round) + ".db");
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
      EXPECT_TRUE(serializable) << name << ", round " << round << ": statuses " << statuses[0] << " and "
                                << statuses[1];
      EXPECT_EQ(ProblemsOf(path), ProblemsOf(base.str())) << name << ", round " << round;
    }
  }
}

TEST_F(ProcessSafetyTest, AKilledRunLeavesTheStoreAsBeforeOrAfterAndItsRerunFinishesIt) {
  // Each command by its name, and what makes it for the store at a path.
  const std::pair<std::string, std::function<Command(const std::string& path)>> cases[] = {
      {"merge", [](const std::string&) { return kMerge; }},
      {"delete", [](const std::string&) { return kDeleteBeta; }},
      {"undo", UndoOfMerge},
  };
  for (const auto& [name, prepare] : cases) {
    const StoreLocation& base = NewStore(name + ".db");
    const Command command = prepare(base.str());
    const Snapshot before = SnapshotOf(base.str());
    const std::string reference = Copy(base, name + "-whole.db");
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(Start(command, reference).Wait(), 0) << name;
    const auto whole = std::chrono::steady_clock::now() - started;
    const Snapshot after = SnapshotOf(reference);
    int cut_short = 0;
    for (int eighth = 1; eighth < 8; ++eighth) {
      const std::string path = Copy(base, name + "-killed-" + std::to_string(eighth) + ".db");
      Running killed = Start(command, path);
      std::this_thread::sleep_for(whole * eighth / 8);
      killed.child->Kill(SIGKILL);
      if (killed.Wait() == 128 + SIGKILL) ++cut_short;
      const Snapshot left = SnapshotOf(path);
      EXPECT_TRUE(left == before || left == after) << name << " killed at " << eighth << "/8 of its time";
      EXPECT_EQ(ProblemsOf(path), ProblemsOf(base.str())) << name << " killed at " << eighth << "/8";
      Start(command, path).Wait();
      EXPECT_EQ(SnapshotOf(path), after) << name << " killed at " << eighth << "/8, then run again";
      if (name == "undo") continue;
      // Taking back every run history lists, the killed one too, gives back the store as before.
      const auto runs = store::testing::TabSeparatedLines(RunStoreTool(path, {"history"}).out);
      EXPECT_TRUE(runs.size() < 2 || runs[1][3] == "unfinished") << name << " killed at " << eighth << "/8";
      for (const auto& run : runs) EXPECT_EQ(RunStoreTool(path, {"undo", run[0]}).status, 0) << name << " " << run[3];
      EXPECT_EQ(SnapshotOf(path), before) << name << " killed at " << eighth << "/8, then run again and undone";
    }
    EXPECT_GT(cut_short, 0) << name << ": no run was killed before it ended";
  }
}

#ifdef QUORVIA_TESTS_ON_SERVER
// A PostgreSQL server of the test's own, which it may stop under a run.
struct PrivateServer {
  explicit PrivateServer(const std::filesystem::path& where) : folder(where.string()) {
    const ProcessResult started = Script("start");
    if (started.status != 0) throw std::runtime_error("server.sh start: " + started.err);
    location = started.out.substr(0, started.out.find('\n'));
  }
  ~PrivateServer() { Script("stop"); }
  PrivateServer(const PrivateServer&) = delete;
  PrivateServer& operator=(const PrivateServer&) = delete;
  // Runs tests/postgres/server.sh `action` (start, crash, restart, stop) on it.
  ProcessResult Script(const std::string& action) const {
    return Run(QUORVIA_SOURCE_DIR "/tests/postgres/server.sh", {action, folder});
  }

  const std::string folder;
  std::string location;  // the server's, for a TestDatabase
};

// The server stopping under a run: the run ends with status 6 and nothing
// of it stays, unless the server went as it committed and the run says it
// cannot tell; while the server is away a run cannot open the store (3);
// once it is back, a run not kept goes through.
TEST_F(ProcessSafetyTest, TheServerStoppingMidRunLeavesTheStoreAsBefore) {
  // Beside the test's folder, which the server's own user cannot enter.
  const PrivateServer server(std::filesystem::temp_directory_path() / ("quorvia-pg-" + std::to_string(getpid())));
  const store::pg::testing::TestDatabase base(server.location, "template1");
  FillStore(base.location());
  const Snapshot before = SnapshotOf(base.location());
  const auto copy_of_base = [&] { return std::make_unique<store::pg::testing::TestDatabase>(server.location, base.name()); };
  const auto reference = copy_of_base();
  const auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(Start(kMerge, reference->location()).Wait(), 0);
  const auto whole = std::chrono::steady_clock::now() - started;
  const Snapshot after = SnapshotOf(reference->location());
  int cut_short = 0;
  for (int eighth = 0; eighth < 8 && cut_short == 0; eighth += 3) {
    const auto store = copy_of_base();
    Running cut = Start(kMerge, store->location());
    {
      // Once the run holds an account its transaction is under way: a run's
      // start and its connection may take longer than the whole of its work.
      const auto db = store::OpenDatabase(store->location(), store::Database::Mode::kOpenExisting);
      const auto taken = [&] {
        return store::testing::CountOf(*db, "SELECT count(*) FROM pg_locks WHERE locktype = 'advisory' AND database = "
                                            "(SELECT oid FROM pg_database WHERE datname = current_database())") > 0;
      };
      ASSERT_TRUE(Eventually(taken, 60000, 1)) << "no run took an account of " << store->location();
    }
    std::this_thread::sleep_for(whole * eighth / 8);
    ASSERT_EQ(server.Script("crash").status, 0);
    const ProcessResult ended = cut.child->Wait();
    const bool in_doubt = ended.err.find("whether the server kept them is unknown") != std::string::npos;
    if (ended.status != 0) {
      EXPECT_EQ(ended.status, 6) << "stopped " << eighth << "/8 of the run's time after it took its account";
      // The reason is the server's going, not what libpq refuses after it.
      EXPECT_EQ(ended.err.find("pipeline"), std::string::npos) << ended.err;
      ++cut_short;
      const ProcessResult refused = Start(kMerge, store->location()).child->Wait();
      EXPECT_EQ(refused.status, 3);
      EXPECT_NE(refused.err.find("cannot open the CRM store "), std::string::npos) << refused.err;
    }
    ASSERT_EQ(server.Script("restart").status, 0);
    const Snapshot left = SnapshotOf(store->location());
    EXPECT_TRUE(left == (ended.status == 0 ? after : before) || (in_doubt && left == after)) << eighth << "/8";
    if (left == after) continue;
    ASSERT_EQ(Start(kMerge, store->location()).Wait(), 0);
    EXPECT_EQ(SnapshotOf(store->location()), after) << "stopped at " << eighth << "/8, then run again";
  }
  EXPECT_GT(cut_short, 0) << "no run was under way when the server stopped";

  // A commit that the server never answers (a trigger deferred to it ends
  // the session): the run cannot tell whether its changes were kept.
  const auto unanswered = copy_of_base();
  store::OpenDatabase(unanswered->location(), store::Database::Mode::kOpenExisting)
      ->Exec("CREATE FUNCTION quit() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN PERFORM pg_terminate_backend("
             "pg_backend_pid()); RETURN NULL; END $$; CREATE CONSTRAINT TRIGGER quit AFTER INSERT OR UPDATE ON "
             "properties DEFERRABLE INITIALLY DEFERRED FOR EACH ROW EXECUTE FUNCTION quit()");
  const ProcessResult ended = Start(kMerge, unanswered->location()).child->Wait();
  EXPECT_EQ(ended.status, 6) << ended.err;
  EXPECT_NE(ended.err.find(" was lost while its changes were committed ("), std::string::npos) << ended.err;
  EXPECT_TRUE(ended.err.ends_with("): whether the server kept them is unknown\n")) << ended.err;
  EXPECT_EQ(SnapshotOf(unanswered->location()), before);
}

#endif

}  // namespace
}  // namespace e2e
