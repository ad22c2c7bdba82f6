#include <gmock/gmock.h>

#include "accounts/account_test_fixture.h"

namespace accounts {
namespace {

using host::MsgBoxResult;
using ::testing::EndsWith;

// A run is one transaction with a savepoint per item: an item whose write
// fails is skipped alone and the rest is kept, so running the command again
// finishes it; a failure of the whole store after any number of writes
// leaves nothing of the run.
class CrashSafetyTest : public AccountTest {
 protected:
  void ExpectResumable(const std::string& command_line) {
    const host::testing::Snapshot before = host::testing::TakeSnapshot(crm_.store.db());
    EXPECT_EQ(RunWithFault("reference.db", command_line, -1, false), app::Outcome::kDone) << command_line;
    const host::testing::Snapshot finished = host::testing::TakeSnapshot(fresh_->store.db());
    for (int writes = 0;; ++writes) {
      ASSERT_LT(writes, 200) << command_line << ": never finished";
      const std::string cut_short = command_line + " cut after " + std::to_string(writes) + " writes";
      if (RunWithFault("wide-" + std::to_string(writes) + ".db", command_line, writes, true) ==
          app::Outcome::kStoreUnusable) {
        EXPECT_THAT(ending_.reason, EndsWith("; nothing of the run remains in the store")) << cut_short;
        EXPECT_EQ(host::testing::TakeSnapshot(fresh_->store.db()), before) << cut_short << ", store-wide";
      }
      const app::Outcome first = RunWithFault("cut-" + std::to_string(writes) + ".db", command_line, writes, false);
      EXPECT_EQ(fresh_->store.MisfiledProperties(), 0) << cut_short;
      if (first == app::Outcome::kDone) break;  // the command needs no more writes than this
      write_budget_ = -1;
      Run(command_line, MsgBoxResult::kYes);
      EXPECT_EQ(host::testing::TakeSnapshot(fresh_->store.db()), finished) << cut_short << ", then run again";
    }
  }

  app::Outcome RunWithFault(const std::string& name, const std::string& command_line, int writes,
                            bool store_wide) {
    fresh_ = std::make_unique<host::testing::CrmStore>(dir_.File(name));
    store_path_ = dir_.File(name);
    write_budget_ = writes;
    store_wide_fault_ = store_wide;
    return Run(command_line, MsgBoxResult::kYes);
  }

  std::unique_ptr<host::testing::CrmStore> fresh_;
};

TEST_F(CrashSafetyTest, MergeCutShortIsFinishedByRunningItAgain) {
  ExpectResumable("Merge;" + Id(crm_.acme) + ";;A100;B200");
}

TEST_F(CrashSafetyTest, DeleteCutShortIsFinishedByRunningItAgain) {
  ExpectResumable("Delete;" + Id(crm_.beta) + ";;B200");
}

}  // namespace
}  // namespace accounts
