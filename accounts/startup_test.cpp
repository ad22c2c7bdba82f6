#include "accounts/account_test_fixture.h"

namespace accounts {
namespace {

class StartupTest : public AccountTest {};

TEST_F(StartupTest, RunsItsRequestsOnFirstLevelFoldersWithoutChangingAnything) {
  crm_.store.AddItem(crm_.activities, "IPM.Post", {{"AccountID", "O'Neil"}});
  const auto before = Snapshot();
  write_budget_ = 0;  // any write would fail and show in the trace
  EXPECT_EQ(Run("Startup"), app::Outcome::kDone);
  EXPECT_EQ(Snapshot(), before);
  // Contacts and Alerts yield items that are not posts, and before any post
  // was found there is no key to read; every other request succeeds.
  EXPECT_EQ(trace_.str(),
            "trace: Startup: error 13: Type mismatch\n"
            "trace: Startup: error 91: Object variable or With block variable not set\n"
            "trace: Startup: error 13: Type mismatch\n");
}

}  // namespace
}  // namespace accounts
