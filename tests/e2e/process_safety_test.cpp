#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "host/store/schema.h"
#include "host/store/test_store.h"
#include "host/testing/crm_store.h"
#include "tests/e2e/child_process.h"

namespace e2e {
namespace {

using host::testing::Snapshot;

constexpr int kRelatedPerAccount = 300;
const std::string kMerge = "Merge;E1;;A100;B200";
const std::string kDeleteGamma = "Delete;E5;;C300";

// The small test CRM with many more related items for Beta (B200) and Gamma
// (C300) spread over its folders, so that each command takes a while.
void FillStore(const std::string& path) {
  host::testing::CrmStore crm(path);
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

Snapshot SnapshotOf(const std::string& path) {
  const auto db = store::OpenStore(path);
  return host::testing::TakeSnapshot(*db);
}

class ProcessSafetyTest : public ::testing::Test {
 protected:
  // A new store file named `name`, filled like every other.
  std::string NewStore(const std::string& name) {
    const std::string path = dir_.File(name);
    FillStore(path);
    return path;
  }
  ChildProcess* Start(const std::string& path, const std::string& command, const std::string& input) {
    children_.push_back(std::make_unique<ChildProcess>(
        BuiltProgram("quorvia-utilities"), std::vector<std::string>{command},
        std::map<std::string, std::string>{
            {"QUORVIA_STORE", path}, {"QUORVIA_UI", "console"}, {"QUORVIA_LOG", "0"}},
        input));
    return children_.back().get();
  }
  ProcessResult Finish(const std::string& path, const std::string& command, const std::string& input) {
    return Start(path, command, input)->Wait();
  }

  store::testing::TempDir dir_;
  std::vector<std::unique_ptr<ChildProcess>> children_;
};

TEST_F(ProcessSafetyTest, KilledMergeLeavesAWholeStoreThatARerunFinishes) {
  const std::string reference = NewStore("reference.db");
  ASSERT_EQ(Finish(reference, kMerge, "").status, 0);
  const Snapshot finished = SnapshotOf(reference);
  int cut_short = 0;
  for (const int delay_ms : {20, 60, 120, 250}) {
    const std::string path = NewStore("killed-" + std::to_string(delay_ms) + ".db");
    ChildProcess* merge = Start(path, kMerge, "");
    std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
    merge->Kill(SIGKILL);
    if (merge->Wait().status == 128 + SIGKILL) ++cut_short;
    const auto integrity = store::OpenStore(path);
    store::Statement check(*integrity, "PRAGMA integrity_check");
    ASSERT_TRUE(check.Step());
    EXPECT_EQ(check.Text(0), "ok") << delay_ms;
    const ProcessResult rerun = Finish(path, kMerge, "");
    EXPECT_EQ(SnapshotOf(path), finished) << "killed after " << delay_ms << " ms; rerun: " << rerun.err;
  }
  EXPECT_GT(cut_short, 0) << "no run was killed before it ended";
}

TEST_F(ProcessSafetyTest, MergeAndDeleteInTwoProcessesBothComplete) {
  const std::string reference = NewStore("reference.db");
  ASSERT_EQ(Finish(reference, kMerge, "").status, 0);
  ASSERT_EQ(Finish(reference, kDeleteGamma, "y\n").status, 0);
  const Snapshot sequential = SnapshotOf(reference);

  const std::string path = NewStore("shared.db");
  ChildProcess* merge = Start(path, kMerge, "");
  ChildProcess* erase = Start(path, kDeleteGamma, "y\n");
  const ProcessResult merged = merge->Wait();
  const ProcessResult deleted = erase->Wait();
  EXPECT_EQ(merged.status, 0) << merged.err;
  EXPECT_EQ(deleted.status, 0) << deleted.err;
  EXPECT_EQ(SnapshotOf(path), sequential);
}

}  // namespace
}  // namespace e2e
