#include <gmock/gmock.h>

#include <utility>

#include "accounts/account_test_fixture.h"

namespace accounts {
namespace {

using app::Outcome;
using ::testing::HasSubstr;

using RunEndingTest = AccountTest;

// Each early end changes nothing, even answered Yes. Acme and Gamma have no
// parent (an empty "Account LocationID") and one item has an empty key: an
// empty key would select all of them, so it asks nothing.
TEST_F(RunEndingTest, EachEarlyEndSaysWhyAndWhetherTheUserWasToldAndChangesNothing) {
  crm_.store.AddItem(crm_.activities, "IPM.Post", {{"AccountID", ""}, {"Account Name", ""}});
  const auto before = Snapshot();
  const std::string empty_key = " is empty; no account has an empty key, so nothing was changed";
  const struct {
    std::string command_line;
    Outcome outcome;
    std::string reason;
    bool shown;
  } cases[] = {
      {"", Outcome::kUsage, "no command given", true},
      {"Merge;\xC0\xAF;;A100;B200", Outcome::kUsage, "the command is not UTF-8 text (byte 7)", false},
      {"Front", Outcome::kNotDone, "Front needs Front;ENTRYID (got 1 field)", false},
      {"Merge;E1;;;", Outcome::kNotDone, "the same account was given twice", true},  // before the empty key
      {"Realign", Outcome::kDone, "", false},
      {"Merge;" + Id(crm_.acme) + ";;A100;", Outcome::kNotDone, "the key in field 4 (NewID)" + empty_key, false},
      {"Merge;" + Id(crm_.acme) + ";;;B200", Outcome::kNotDone, "the key in field 3 (CurrentID)" + empty_key, false},
      {"Delete;" + Id(crm_.beta) + ";;", Outcome::kNotDone, "the key in field 3 (CurrentID)" + empty_key, false},
      {"Delete;" + Id(crm_.beta) + ";;;B200", Outcome::kNotDone, "the key in field 3 (CurrentID)" + empty_key, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.command_line, host::MsgBoxResult::kYes), c.outcome) << c.command_line;
    EXPECT_EQ(ending_.reason, c.reason) << c.command_line;
    EXPECT_EQ(ending_.shown, c.shown) << c.command_line;
    EXPECT_EQ(Shown().empty(), !c.shown) << c.command_line;
    EXPECT_EQ(Snapshot(), before) << c.command_line;
  }
}

TEST_F(RunEndingTest, SkippedSavesMakeARunPartlyDoneAndNameTheItemsUnlessItIsAbandoned) {
  platform_hook_ = [](host::testing::RecordingPlatform& platform) {
    platform.log().FailCall("SafePostItem.Save");
    platform.log().FailCall("SafeContactItem.Save");
  };
  EXPECT_EQ(Run("Merge;" + Id(crm_.acme) + ";;A100;B200", host::MsgBoxResult::kYes), Outcome::kPartlyDone);
  EXPECT_THAT(ending_.reason, HasSubstr("6 items could not be changed: "));
  for (auto item : {crm_.beta_contact, crm_.beta_post, crm_.beta_q1_post, crm_.beta_note}) {
    EXPECT_THAT(ending_.reason, HasSubstr(Id(item) + ": ")) << Id(item);
  }
  EXPECT_EQ(Snapshot().count(Id(crm_.beta)), 0u) << "the merged account item is still deleted";
  EXPECT_EQ(Snapshot().at(Id(crm_.beta_post)).at("AccountID"), "B200");

  // An abandoned run outranks skipped saves: C300 keeps its related items
  // but loses its account item's key, so the last step finds nothing to delete.
  crm_.store.SetText(crm_.gamma, "AccountID", "C399");
  EXPECT_EQ(Run("Merge;" + Id(crm_.acme) + ";;A100;C300", host::MsgBoxResult::kYes), Outcome::kAbandoned);
  EXPECT_THAT(ending_.reason, HasSubstr("Merge was abandoned: "));
  EXPECT_THAT(ending_.reason, HasSubstr("no account item has the merged key C300"));
}

TEST_F(RunEndingTest, AnItemTheStoreRefusesIsSkippedAloneAndTheRestOfTheRunKept) {
  crm_.store.db().Exec(("CREATE TRIGGER refuse BEFORE UPDATE ON properties WHEN NEW.item = " +
                        std::to_string(crm_.beta_post) + " BEGIN SELECT RAISE(ABORT, 'refused by the test'); END")
                           .c_str());
  EXPECT_EQ(Run("Merge;" + Id(crm_.acme) + ";;A100;B200", host::MsgBoxResult::kYes), Outcome::kPartlyDone);
  EXPECT_THAT(ending_.reason, HasSubstr("1 item could not be changed: " + Id(crm_.beta_post) + ": "));
  const auto after = Snapshot();
  EXPECT_EQ(after.at(Id(crm_.beta_post)).at("AccountID"), "B200");
  for (auto item : {crm_.beta_contact, crm_.beta_east_contact, crm_.beta_q1_post, crm_.beta_note}) {
    EXPECT_EQ(after.at(Id(item)).at("AccountID"), "A100") << Id(item);
  }
  EXPECT_EQ(after.count(Id(crm_.beta)), 0u);
  EXPECT_EQ(crm_.store.MisfiledProperties(), 0);
}

TEST_F(RunEndingTest, AStoreLockedPastTheBusyTimeoutEndsTheRunChangingNothingButNeverBlocksAQuestion) {
  busy_timeout_ = std::chrono::milliseconds(50);
  const auto other_held = store::OpenDatabase(store_path_, store::Database::Mode::kOpenExisting);
  store::Database& other = *other_held;
  other.Exec("BEGIN IMMEDIATE");
  const auto before = Snapshot();
  const std::string locked = "another program kept the CRM store " + store_path_ +
                             " locked for more than 50 ms; nothing of the run remains in the store";
  const struct {
    std::string command_line;
    host::MsgBoxResult answer;
    Outcome outcome;
    std::string reason;
  } cases[] = {
      {"Merge;" + Id(crm_.acme) + ";;A100;B200", host::MsgBoxResult::kYes, Outcome::kStoreUnusable, locked},
      {"Delete;" + Id(crm_.beta) + ";;B200", host::MsgBoxResult::kYes, Outcome::kStoreUnusable, locked},
      {"Delete;" + Id(crm_.beta) + ";;B200", host::MsgBoxResult::kNo, Outcome::kNotDone, "the user answered No"},
      {"Merge;" + Id(crm_.acme) + ";;A100;A100", host::MsgBoxResult::kYes, Outcome::kNotDone,
       "the same account was given twice"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.command_line, c.answer), c.outcome) << c.command_line;
    EXPECT_EQ(ending_.reason, c.reason) << c.command_line;
    EXPECT_EQ(Snapshot(), before) << c.command_line;
  }
  other.Exec("ROLLBACK");
}

// Folders "Level 2" to "Level 201" below Account Profiles, each inside the
// one before, hold items of B200 and C300 in their last two: the walks
// reach level 200 and name the folder below it, whose items stay.
TEST_F(RunEndingTest, FoldersNestedTooDeeplyAreNamedAndMakeARunPartlyDone) {
  std::int64_t folder = crm_.profiles;
  std::int64_t deepest_reached = 0;
  for (int level = 2; level <= 201; ++level) {
    deepest_reached = std::exchange(folder, crm_.store.AddFolder("Level " + std::to_string(level), folder));
  }
  const struct {
    std::string command_line;
    const char* key;
  } cases[] = {
      {"Merge;" + Id(crm_.acme) + ";;A100;B200", "B200"},
      {"Delete;" + Id(crm_.gamma) + ";;C300", "C300"},
  };
  for (const auto& c : cases) {
    const std::int64_t reached = crm_.store.AddItem(deepest_reached, "IPM.Post", {{"AccountID", c.key}});
    const std::int64_t passed_over = crm_.store.AddItem(folder, "IPM.Post", {{"AccountID", c.key}});
    EXPECT_EQ(Run(c.command_line, host::MsgBoxResult::kYes), Outcome::kPartlyDone) << c.command_line;
    EXPECT_EQ(ending_.reason, "1 item could not be changed: folder Level 201 (" +
                                  store::testing::TestStore::FolderEntryId(folder) +
                                  ") nests deeper than 200 levels (not visited)");
    EXPECT_NE(crm_.store.Text(reached, "AccountID").value_or(""), c.key) << c.command_line;
    EXPECT_EQ(crm_.store.Text(passed_over, "AccountID"), c.key) << c.command_line;
  }
}

TEST_F(RunEndingTest, ADamagedStoreEndsTheRunAtOnceThroughProgramEnd) {
  crm_.store.db().Exec("PRAGMA wal_checkpoint(TRUNCATE)");  // every page in the file itself
  store::testing::ZeroPageOf(store_path_, "properties_by_key");
  EXPECT_EQ(Run("Merge;" + Id(crm_.acme) + ";;A100;B200", host::MsgBoxResult::kYes), Outcome::kStoreUnusable);
  EXPECT_EQ(ending_.reason, "the CRM store " + store_path_ +
                                " is damaged (database disk image is malformed): run quorvia-store "
                                "check, and restore it from a backup; nothing of the run remains in the store");
  EXPECT_EQ(Count("Session.Logoff()"), 1) << "ended by ProgramEnd";
  EXPECT_EQ(Count("SafePostItem.Save()"), 0) << "the run stopped before any item was saved";
}

}  // namespace
}  // namespace accounts
