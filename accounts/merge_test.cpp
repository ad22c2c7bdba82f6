#include <algorithm>

#include "accounts/account_test_fixture.h"

namespace accounts {
namespace {

using app::Outcome;

class MergeTest : public AccountTest {
 protected:
  // The store after Beta (B200) is merged into Acme, its surviving item
  // carrying `surviving_key`, and location accounts pointed at `location_key`.
  host::testing::Snapshot MergedIntoAcme(host::testing::Snapshot snapshot,
                                         const std::string& surviving_key,
                                         const std::string& location_key) {
    snapshot.erase(Id(crm_.beta));
    for (auto location : {crm_.beta_north, crm_.beta_south}) {
      auto& fields = snapshot[Id(location)];
      fields["Account LocationID"] = location_key;
      fields["Account Parent"] = "Acme";
      fields["Account Manager"] = "Ann";
      fields["Team"] = "East";
    }
    for (auto item : {crm_.beta_contact, crm_.beta_contact2, crm_.beta_east_contact, crm_.beta_post,
                      crm_.beta_q1_post, crm_.beta_note}) {
      auto& fields = snapshot[Id(item)];
      fields["AccountID"] = surviving_key;
      fields["Account Name"] = "Acme";
      fields["Account Manager"] = "Ann";
      fields["Team"] = "East";
    }
    for (auto contact : {crm_.beta_contact, crm_.beta_contact2, crm_.beta_east_contact}) {
      snapshot[Id(contact)]["company_name"] = "Acme";
    }
    return snapshot;
  }

  int CallsOf(const std::string& call) {
    const auto& calls = platform_->log().calls();
    return static_cast<int>(std::count(calls.begin(), calls.end(), call));
  }
};

TEST_F(MergeTest, SameKeyTwiceShowsTheMessageAndChangesNothing) {
  const auto before = Snapshot();
  for (const std::string keys : {"A100;A100", ";"}) {
    EXPECT_EQ(Run("Merge;" + Id(crm_.acme) + ";;" + keys), Outcome::kNotDone) << keys;
    ASSERT_EQ(Shown().size(), 1u) << keys;
    EXPECT_EQ(Shown()[0].text,
              "You selected the same account, please select a different account to merge.");
    EXPECT_EQ(Shown()[0].buttons, host::MsgBoxButtons::kOkOnly);
    EXPECT_FALSE(Shown()[0].title.has_value());
    EXPECT_EQ(Snapshot(), before) << keys;
  }
}

TEST_F(MergeTest, FoldsLocationsAndRelatedItemsOfEveryKindIntoTheSurvivor) {
  const auto expected = MergedIntoAcme(Snapshot(), "A100", "A100");
  EXPECT_EQ(Run("Merge;" + Id(crm_.acme) + ";;A100;B200"), Outcome::kDone);
  EXPECT_EQ(Snapshot(), expected);
  EXPECT_EQ(crm_.store.MisfiledProperties(), 0);
  EXPECT_TRUE(Shown().empty());
  EXPECT_EQ(trace_.str(), "");
}

TEST_F(MergeTest, SurvivingValuesComeFromItsItemAndLocationsTakeTheKeyField) {
  const auto expected = MergedIntoAcme(Snapshot(), "A100", "Z999");
  EXPECT_EQ(Run("Merge;" + Id(crm_.acme) + ";;Z999;B200"), Outcome::kDone);
  EXPECT_EQ(Snapshot(), expected);
}

TEST_F(MergeTest, StickyNotesAreRewrittenThroughCdoAndStillSaved) {
  EXPECT_EQ(Run("Merge;" + Id(crm_.acme) + ";;A100;B200"), Outcome::kDone);
  const auto& calls = platform_->log().calls();
  const std::string set_note = "SafePostItem.SetItem(\"" + Id(crm_.beta_note) + "\")";
  const auto note = std::find(calls.begin(), calls.end(), set_note);
  ASSERT_NE(note, calls.end());
  const std::vector<std::string> expected = {set_note,
                                             "SafePostItem.MessageClass()",
                                             "SafePostItem.EntryID()",
                                             "SafePostItem.Parent()",
                                             "Session.GetMessage(\"" + Id(crm_.beta_note) +
                                                 "\", \"STORE-0001\")",
                                             "SafePostItem.Save()",
                                             "Release(SafePostItem)"};
  ASSERT_GE(calls.end() - note, 7);
  EXPECT_EQ(std::vector<std::string>(note, note + 7), expected);
  EXPECT_EQ(crm_.store.Text(crm_.beta_note, "AccountID"), "A100");
  EXPECT_EQ(crm_.store.Text(crm_.beta_note, "Account Manager"), "Ann");
}

TEST_F(MergeTest, WalksFoldersDepthFirstAndItemsFromTheLast) {
  EXPECT_EQ(Run("Merge;" + Id(crm_.acme) + ";;A100;B200"), Outcome::kDone);
  std::vector<std::string> wrapped;
  for (const std::string& call : platform_->log().calls()) {
    const auto open = call.find(".SetItem(\"E");
    if (open != std::string::npos) wrapped.push_back(call.substr(open + 10, call.size() - open - 12));
  }
  // Contacts, its subfolder East, Activities, 2026/Q1, Alerts.
  const std::vector<std::string> expected = {
      Id(crm_.beta_contact2), Id(crm_.beta_contact), Id(crm_.beta_east_contact),
      Id(crm_.beta_post),     Id(crm_.beta_q1_post), Id(crm_.beta_note)};
  EXPECT_EQ(wrapped, expected);
}

TEST_F(MergeTest, KeysThatDifferInLetterCaseAreDifferentAccounts) {
  const auto lower = crm_.store.AddItem(crm_.profiles, "IPM.Post", {{"AccountID", "b200"}}, "beta");
  const auto lower_post = crm_.store.AddItem(
      crm_.quarter, "IPM.Post",
      {{"AccountID", "b200"}, {"Account Name", "beta"}, {"Account Manager", "bo"}, {"Team", "w"},
       {"Alignment", "Standard"}});
  auto expected = Snapshot();
  expected.erase(Id(lower));
  auto& merged = expected[Id(lower_post)];
  merged["AccountID"] = "A100";
  merged["Account Name"] = "Acme";
  merged["Account Manager"] = "Ann";
  merged["Team"] = "East";
  EXPECT_EQ(Run("Merge;" + Id(crm_.acme) + ";;A100;b200"), Outcome::kDone);
  EXPECT_EQ(Snapshot(), expected);
}

TEST_F(MergeTest, KeysWithQuotesAreMergedWhole) {
  const std::string key = "x' OR [AccountID] <> '";
  const auto account = crm_.store.AddItem(crm_.profiles, "IPM.Post", {{"AccountID", key}}, "odd");
  const auto post = crm_.store.AddItem(crm_.activities, "IPM.Post", {{"AccountID", key}});
  const auto before = Snapshot();
  EXPECT_EQ(Run("Merge;" + Id(crm_.acme) + ";;A100;" + key), Outcome::kDone);
  auto after = Snapshot();
  EXPECT_EQ(after.count(Id(account)), 0u);
  EXPECT_EQ(after[Id(post)]["AccountID"], "A100");
  after.erase(Id(post));
  auto expected = before;
  expected.erase(Id(account));
  expected.erase(Id(post));
  EXPECT_EQ(after, expected) << "nothing but the odd account's items changed";
}

TEST_F(MergeTest, WithoutAnAccountItemForTheMergedKeyNothingIsDeleted) {
  const auto orphan = crm_.store.AddItem(crm_.activities, "IPM.Post", {{"AccountID", "D400"}});
  EXPECT_EQ(Run("Merge;" + Id(crm_.acme) + ";;A100;D400"), Outcome::kAbandoned);
  EXPECT_EQ(crm_.store.Text(orphan, "AccountID"), "A100");
  EXPECT_TRUE(crm_.store.Exists(crm_.acme));
}

class MergeVersionTest : public AccountTest, public ::testing::WithParamInterface<const char*> {
 protected:
  MergeVersionTest() : AccountTest(GetParam()) {}
};

TEST_P(MergeVersionTest, MajorVersionChoosesHowWrappersWriteProperties) {
  const std::string version = GetParam();
  const bool item_properties = version.rfind("9.", 0) != 0 && version.rfind("10", 0) != 0;
  EXPECT_EQ(Run("Merge;" + Id(crm_.acme) + ";;A100;B200"), Outcome::kDone);
  const auto& calls = platform_->log().calls();
  const auto used = [&](const std::string& call) {
    return std::count(calls.begin(), calls.end(), call);
  };
  // Five properties on each of five posts and contacts.
  EXPECT_EQ(used("SafePostItem.itemproperties()") + used("SafeContactItem.itemproperties()"),
            item_properties ? 25 : 0)
      << version;
  EXPECT_EQ(used("SafePostItem.UserProperties()") + used("SafeContactItem.UserProperties()"),
            item_properties ? 0 : 25)
      << version;
  EXPECT_EQ(crm_.store.Text(crm_.beta_east_contact, "AccountID"), "A100") << version;
}

INSTANTIATE_TEST_SUITE_P(Versions, MergeVersionTest,
                         ::testing::Values("9.0.0.2711", "10.0.6626", "11.0.5510", "16.0.0.0",
                                           "Outlook"));

}  // namespace
}  // namespace accounts
