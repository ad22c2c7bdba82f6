#include <algorithm>
#include <ostream>

#include "accounts/account_test_fixture.h"

namespace accounts {
namespace {

using app::Outcome;

class MergeTest : public AccountTest {
 protected:
  // The store after Beta (B200) is merged into Acme (A100), its location
  // accounts pointed at `location_key`.
  host::testing::Snapshot MergedIntoAcme(host::testing::Snapshot snapshot,
                                         const std::string& location_key) {
    snapshot.erase(Id(crm_.beta));
    for (auto location : {crm_.beta_north, crm_.beta_south}) {
      auto& fields = snapshot[Id(location)];
      fields["Account LocationID"] = location_key;
      fields["Account Parent"] = "Acme";
      fields["Account Manager"] = "Ann";
      fields["Team"] = "East";
      fields["Alignment"] = "Strategic";
    }
    for (auto item : {crm_.beta_contact, crm_.beta_contact2, crm_.beta_east_contact, crm_.beta_post,
                      crm_.beta_q1_post, crm_.beta_note}) {
      auto& fields = snapshot[Id(item)];
      fields["AccountID"] = "A100";
      fields["Account Name"] = "Acme";
      fields["Account Manager"] = "Ann";
      fields["Team"] = "East";
      fields["Alignment"] = "Strategic";
    }
    for (auto contact : {crm_.beta_contact, crm_.beta_contact2, crm_.beta_east_contact}) {
      snapshot[Id(contact)]["company_name"] = "Acme";
    }
    return snapshot;
  }
};

// Related items take the surviving item's own key, location accounts the key
// field, here a different one; only the first account item of the merged key
// is deleted.
TEST_F(MergeTest, FoldsLocationsAndRelatedItemsOfEveryKindIntoTheSurvivor) {
  const auto second = crm_.store.AddItem(crm_.profiles, "IPM.Post", {{"AccountID", "B200"}}, "Beta 2");
  const auto expected = MergedIntoAcme(Snapshot(), "Z999");
  EXPECT_EQ(Run("Merge;" + Id(crm_.acme) + ";;Z999;B200"), Outcome::kDone);
  EXPECT_EQ(Snapshot(), expected) << Id(second) << " stays";
  EXPECT_EQ(crm_.store.MisfiledProperties(), 0);
  EXPECT_TRUE(Shown().empty());
  EXPECT_EQ(trace_.str(), "");
}

TEST_F(MergeTest, StickyNotesAreRewrittenThroughCdoWithOneUpdateAndStillSaved) {
  EXPECT_EQ(Run("Merge;" + Id(crm_.acme) + ";;A100;B200"), Outcome::kDone);
  const std::string set_note = "SafePostItem.SetItem(\"" + Id(crm_.beta_note) + "\")";
  std::vector<std::string> expected = {
      set_note,
      "SafePostItem.MessageClass()",
      "SafePostItem.EntryID()",
      "SafePostItem.Parent()",
      "Session.GetMessage(\"" + Id(crm_.beta_note) + "\", \"STORE-0001\")",
      "Message.Fields()"};
  const std::pair<const char*, const char*> fields[] = {{"AccountID", "A100"},
                                                        {"Account Name", "Acme"},
                                                        {"Account Manager", "Ann"},
                                                        {"Team", "East"},
                                                        {"Alignment", "Strategic"}};
  for (const auto& [name, value] : fields) {
    expected.push_back("Message.Fields()");  // the surviving account's CDO fields
    expected.push_back("Fields.Item(\"" + std::string(name) + "\")");
    expected.push_back("Fields.Add(\"" + std::string(name) + "\", 8, \"" + value + "\")");
  }
  expected.insert(expected.end(), {"Message.Update(true, true)", "SafePostItem.Save()"});
  // The wrapper's own calls, without those it passes on to the item it wraps.
  std::vector<std::string> log;
  std::copy_if(platform_->log().calls().begin(), platform_->log().calls().end(), std::back_inserter(log),
               [](const std::string& call) { return !call.starts_with("Item.") && call != "Release(Item)"; });
  const auto note = std::find(log.begin(), log.end(), set_note);
  std::vector<std::string> calls;
  std::copy_if(note, log.end(), std::back_inserter(calls),
               [](const std::string& call) { return !call.starts_with("Release("); });
  calls.resize(std::min(calls.size(), expected.size()));
  EXPECT_EQ(calls, expected);
  // The note's message and fields are let go before the wrapper is saved, and
  // the wrapper after it.
  const auto update = std::find(note, log.end(), "Message.Update(true, true)");
  ASSERT_GE(log.end() - update, 5);
  EXPECT_EQ(std::vector<std::string>(update + 1, update + 5),
            (std::vector<std::string>{"Release(Message)", "Release(Fields)",
                                      "SafePostItem.Save()", "Release(SafePostItem)"}));
  EXPECT_EQ(crm_.store.Text(crm_.beta_note, "Alignment"), "Strategic");
}

TEST_F(MergeTest, WithoutAnAccountItemForTheMergedKeyNothingIsDeleted) {
  const auto orphan = crm_.store.AddItem(crm_.activities, "IPM.Post", {{"AccountID", "D400"}});
  EXPECT_EQ(Run("Merge;" + Id(crm_.acme) + ";;A100;D400"), Outcome::kAbandoned);
  EXPECT_EQ(crm_.store.Text(orphan, "AccountID"), "A100");
  EXPECT_TRUE(crm_.store.Exists(crm_.acme));
}

TEST_F(MergeTest, EachLocationFieldGetsItsOwnUpdateFromTheLastLocationToTheFirst) {
  EXPECT_EQ(Run("Merge;" + Id(crm_.acme) + ";;Z999;B200"), Outcome::kDone);
  const std::vector<std::string> location = {
      R"(Fields.Add("Account Parent", 8, "Acme"))",   "Message.Update(true, true)",
      R"(Fields.Add("Account Manager", 8, "Ann"))",   "Message.Update(true, true)",
      R"(Fields.Add("Team", 8, "East"))",             "Message.Update(true, true)",
      R"(Fields.Add("Alignment", 8, "Strategic"))",   "Message.Update(true, true)",
      R"(Fields.Add("Account LocationID", 8, "Z999"))", "Message.Update(true, true)"};
  std::vector<std::string> expected = {
      "Session.GetMessage(\"" + Id(crm_.acme) + "\", \"STORE-0001\")",
      R"(Session.GetFolder("F1", "STORE-0001"))", "DoEvents()",
      R"(Fields.Add("Account LocationID", 8, "B200"))"};
  for (const char* position : {"Messages.Item(2)", "Messages.Item(1)"}) {
    expected.insert(expected.end(), {"DoEvents()", position});
    expected.insert(expected.end(), location.begin(), location.end());
  }
  EXPECT_EQ(LocationCalls(), expected);
}

TEST_F(MergeTest, WalksDepthFirstItemsFromTheLastPumpingOncePerFolderAndPerItem) {
  EXPECT_EQ(Run("Merge;" + Id(crm_.acme) + ";;A100;B200"), Outcome::kDone);
  const std::string restrict = R"(Items.Restrict("[AccountID] = 'B200'"))";
  const std::string descend = "Create(QuorviaOMG.MAPIFolder)";
  const auto contact = [&](std::int64_t item) {
    return "SafeContactItem.SetItem(\"" + Id(item) + "\")";
  };
  const auto post = [&](std::int64_t item) { return "SafePostItem.SetItem(\"" + Id(item) + "\")"; };
  const std::vector<std::string> expected = {
      "Folders.Item(1)", "DoEvents()", restrict,
      "DoEvents()", contact(crm_.beta_contact2),
      "DoEvents()", contact(crm_.beta_contact),
      descend,  // Contacts, then its East
      "Folders.Item(1)", "DoEvents()", restrict,
      "DoEvents()", contact(crm_.beta_east_contact),
      "Folders.Item(2)", "DoEvents()", restrict, "DoEvents()", post(crm_.beta_post),
      descend,  // Activities, then 2026 and its Q1
      "Folders.Item(1)", "DoEvents()", restrict, descend,
      "Folders.Item(1)", "DoEvents()", restrict, "DoEvents()", post(crm_.beta_q1_post),
      "Folders.Item(3)", "DoEvents()", restrict, "DoEvents()", post(crm_.beta_note),  // Alerts
      R"(Items.Find("[AccountID] = 'B200'"))"};
  EXPECT_EQ(CallsFrom("SafeFolder.Item", {"Folders.Item", "DoEvents", "Items.Restrict",
                                          "Items.Find", descend, "SafeContactItem.SetItem",
                                          "SafePostItem.SetItem"}),
            expected);
}

TEST_F(MergeTest, OnlyTheExactStickyNoteClassIsRewrittenThroughCdo) {
  const struct {
    const char* message_class;
    bool note;
  } cases[] = {{"IPM.StickyNote", true},    {"ipm.stickynote", false}, {"IPM.StickyNote.X", false},
               {"IPM.StickyNot", false},    {"IPM.StickyNote ", false}};
  std::vector<std::int64_t> items;
  for (const auto& c : cases) {
    items.push_back(crm_.store.AddItem(crm_.alerts, c.message_class,
                                       {{"AccountID", "B200"}, {"Account Name", "Beta"},
                                        {"Account Manager", "Bob"}, {"Team", "West"},
                                        {"Alignment", "Standard"}}));
  }
  EXPECT_EQ(Run("Merge;" + Id(crm_.acme) + ";;A100;B200"), Outcome::kDone);
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::string open = "Session.GetMessage(\"" + Id(items[i]) + "\", \"STORE-0001\")";
    EXPECT_EQ(Count(open), cases[i].note ? 1 : 0) << cases[i].message_class;
    EXPECT_EQ(crm_.store.Text(items[i], "Alignment"), "Strategic") << cases[i].message_class;
  }
}

// The version rule's boundaries are AccountFilterTest's; Merge follows it.
struct Version {
  const char* version;
  bool item_properties;  // writes through itemproperties, not UserProperties
};

void PrintTo(const Version& version, std::ostream* out) { *out << version.version; }

class MergeVersionTest : public AccountTest, public ::testing::WithParamInterface<Version> {
 protected:
  MergeVersionTest() : AccountTest(GetParam().version) {}
};

TEST_P(MergeVersionTest, MajorVersionChoosesHowWrappersWriteProperties) {
  const auto [version, item_properties] = GetParam();
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
                         ::testing::Values(Version{"10.0.6626", false}, Version{"11.0.5510", true}),
                         [](const auto& info) { return std::string("Outlook") + info.param.version[0] + info.param.version[1]; });

}  // namespace
}  // namespace accounts
