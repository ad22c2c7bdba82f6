#include "accounts/account_test_fixture.h"

namespace accounts {
namespace {

class StartupTest : public AccountTest {};

// Startup only reads: its requests over the first-level folders (keys with
// an apostrophe, empty ones, folders without posts) change nothing.
TEST_F(StartupTest, ReadsTheFirstLevelFoldersAndChangesNothing) {
  const auto leads = crm_.store.AddFolder("Leads", crm_.profiles);
  crm_.store.AddItem(leads, "IPM.Post", {{"AccountID", ""}});
  crm_.store.AddItem(leads, "IPM.Post", {{"AccountID", "O'Neil"}});
  const auto old_leads = crm_.store.AddFolder("Old", leads);
  crm_.store.AddItem(old_leads, "IPM.Post", {{"AccountID", "D400"}});
  crm_.store.AddFolder("Empty", crm_.profiles);
  const auto before = Snapshot();
  EXPECT_EQ(Run("Startup"), app::Outcome::kDone);
  EXPECT_EQ(Snapshot(), before);
}

}  // namespace
}  // namespace accounts
