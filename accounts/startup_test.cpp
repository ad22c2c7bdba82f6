#include "accounts/account_test_fixture.h"

namespace accounts {
namespace {

class StartupTest : public AccountTest {};

TEST_F(StartupTest, RunsItsRequestsOnFirstLevelFoldersCarryingTheKeyAndChangingNothing) {
  const auto leads = crm_.store.AddFolder("Leads", crm_.profiles);
  crm_.store.AddItem(leads, "IPM.Post", {{"AccountID", ""}});
  crm_.store.AddItem(leads, "IPM.Post", {{"AccountID", "O'Neil"}});
  const auto old_leads = crm_.store.AddFolder("Old", leads);
  crm_.store.AddItem(old_leads, "IPM.Post", {{"AccountID", "D400"}});
  crm_.store.AddFolder("Empty", crm_.profiles);
  const auto before = Snapshot();
  write_budget_ = 0;  // any write would fail and show in the trace
  EXPECT_EQ(Run("Startup"), app::Outcome::kDone);
  EXPECT_EQ(Snapshot(), before);

  const std::string find = R"(Items.Find("[AccountID] <>''"))";
  const std::string sort = R"(Items.Sort("[AccountID]", false))";
  // Contacts and Alerts yield items that are not posts, Empty yields none:
  // each keeps the key of the folder before it, and before any post was
  // found there is none.
  const std::vector<std::string> expected = {
      "Folder.Folders()",
      "Folders.Item(1)", find, sort, R"(Items.Restrict("[AccountID] =''"))",           // Contacts
      "Folders.Item(2)", find, sort, R"(Items.Restrict("[AccountID] ='B200'"))",       // Activities
      "Folders.Item(3)", find, sort, R"(Items.Restrict("[AccountID] ='B200'"))",       // Alerts
      "Folders.Item(4)", find, sort, R"(Items.Restrict("[AccountID] ='O''Neil'"))",    // Leads
      "Folders.Item(5)", find, sort, R"(Items.Restrict("[AccountID] ='O''Neil'"))"};  // Empty
  EXPECT_EQ(CallsFrom("", {"Folders.Item", "Items.", "Folder.Folders"}), expected);
  EXPECT_EQ(trace_.str(),
            "trace: Startup: error 13: Type mismatch\n"
            "trace: Startup: error 91: Object variable or With block variable not set\n"
            "trace: Startup: error 13: Type mismatch\n"
            "trace: Startup: error 91: Object variable or With block variable not set\n");
}

}  // namespace
}  // namespace accounts
