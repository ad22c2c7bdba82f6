#include "accounts/account_test_fixture.h"

namespace accounts {
namespace {

using host::MsgBoxResult;

// A run cut short after any number of writes leaves a whole store, and
// running the same command again ends in the state of an uninterrupted run.
class CrashSafetyTest : public AccountTest {
 protected:
  void ExpectResumable(const std::string& command_line) {
    const host::testing::Snapshot finished = RunOnFreshStore("reference.db", command_line, -1);
    for (int writes = 0;; ++writes) {
      ASSERT_LT(writes, 200) << command_line << ": never finished";
      const std::string name = "cut-" + std::to_string(writes) + ".db";
      host::testing::CrmStore cut(dir_.File(name));
      store_path_ = dir_.File(name);
      write_budget_ = writes;
      const app::Outcome first = Run(command_line, MsgBoxResult::kYes);
      EXPECT_EQ(cut.store.MisfiledProperties(), 0) << command_line << " cut after " << writes;
      if (first == app::Outcome::kDone) break;  // the command needs no more writes than this
      write_budget_ = -1;
      Run(command_line, MsgBoxResult::kYes);
      EXPECT_EQ(host::testing::TakeSnapshot(cut.store.db()), finished)
          << command_line << " cut after " << writes << " writes, then run again";
    }
  }

  host::testing::Snapshot RunOnFreshStore(const std::string& name, const std::string& command_line,
                                          int write_budget) {
    host::testing::CrmStore fresh(dir_.File(name));
    store_path_ = dir_.File(name);
    write_budget_ = write_budget;
    EXPECT_EQ(Run(command_line, MsgBoxResult::kYes), app::Outcome::kDone) << command_line;
    return host::testing::TakeSnapshot(fresh.store.db());
  }
};

TEST_F(CrashSafetyTest, MergeCutShortIsFinishedByRunningItAgain) {
  ExpectResumable("Merge;" + Id(crm_.acme) + ";;A100;B200");
}

TEST_F(CrashSafetyTest, DeleteCutShortIsFinishedByRunningItAgain) {
  ExpectResumable("Delete;" + Id(crm_.beta) + ";;B200");
}

}  // namespace
}  // namespace accounts
