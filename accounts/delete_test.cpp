#include "accounts/account_test_fixture.h"

namespace accounts {
namespace {

using app::Outcome;
using host::MsgBoxResult;

class DeleteTest : public AccountTest {};

TEST_F(DeleteTest, RemovesTheAccountItsRelatedItemsAndDetachesItsLocations) {
  auto expected = Snapshot();
  for (auto item : {crm_.beta, crm_.beta_contact, crm_.beta_contact2, crm_.beta_east_contact,
                    crm_.beta_post, crm_.beta_q1_post, crm_.beta_note}) {
    expected.erase(Id(item));
  }
  for (auto location : {crm_.beta_north, crm_.beta_south}) {
    expected[Id(location)]["Account LocationID"] = "";
    expected[Id(location)]["Account Parent"] = "";
  }
  EXPECT_EQ(Run("Delete;" + Id(crm_.beta) + ";;B200", MsgBoxResult::kYes), Outcome::kDone);
  EXPECT_EQ(Snapshot(), expected);
  EXPECT_EQ(crm_.store.MisfiledProperties(), 0);
}

TEST_F(DeleteTest, DetachesEachLocationWithTwoUpdatesFromTheLastToTheFirst) {
  EXPECT_EQ(Run("Delete;" + Id(crm_.beta) + ";;B200", MsgBoxResult::kYes), Outcome::kDone);
  const std::vector<std::string> location = {
      R"(Fields.Add("Account Parent", 8, ""))", "Message.Update(true, true)",
      R"(Fields.Add("Account LocationID", 8, ""))", "Message.Update(true, true)"};
  std::vector<std::string> expected = {
      "Session.GetMessage(\"" + Id(crm_.beta) + "\", \"STORE-0001\")", "DoEvents()",
      R"(Session.GetFolder("F1", "STORE-0001"))", R"(Fields.Add("Account LocationID", 8, "B200"))"};
  for (const char* position : {"Messages.Item(2)", "Messages.Item(1)"}) {
    expected.insert(expected.end(), {"DoEvents()", position});
    expected.insert(expected.end(), location.begin(), location.end());
  }
  EXPECT_EQ(LocationCalls(), expected);
}

TEST_F(DeleteTest, PumpsEventsOncePerFolderAndBeforeEachRemovalFromTheLast) {
  EXPECT_EQ(Run("Delete;" + Id(crm_.beta) + ";;B200", MsgBoxResult::kYes), Outcome::kDone);
  const std::string restrict = R"(Items.Restrict("[AccountID] = 'B200'"))";
  const std::string descend = "Create(QuorviaOMG.MAPIFolder)";
  const std::vector<std::string> expected = {
      "Folders.Item(1)", "DoEvents()", restrict, "DoEvents()", "Items.Remove(2)", "DoEvents()",
      "Items.Remove(1)", descend,  // Contacts, then its East
      "Folders.Item(1)", "DoEvents()", restrict, "DoEvents()", "Items.Remove(1)",
      "Folders.Item(2)", "DoEvents()", restrict, "DoEvents()", "Items.Remove(1)",
      descend,  // Activities, then 2026 and its Q1
      "Folders.Item(1)", "DoEvents()", restrict, descend,
      "Folders.Item(1)", "DoEvents()", restrict, "DoEvents()", "Items.Remove(1)",
      "Folders.Item(3)", "DoEvents()", restrict, "DoEvents()", "Items.Remove(1)"};  // Alerts
  EXPECT_EQ(CallsFrom("SafeFolder.Item", {"Folders.Item", "DoEvents", "Items.Restrict",
                                          "Items.Remove", "Create("}),
            expected);
}

TEST_F(DeleteTest, SelectsByTheKeyFieldAndDeletesTheItemNamedByEntryId) {
  const auto duplicate = crm_.store.AddItem(crm_.profiles, "IPM.Post", {{"AccountID", "B200"}}, "");
  EXPECT_EQ(Run("Delete;" + Id(duplicate) + ";;B200", MsgBoxResult::kYes), Outcome::kDone);
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].text, "Are you sure you want to delete '' and all subitems?");
  EXPECT_EQ(Shown()[0].buttons, host::MsgBoxButtons::kYesNo);
  EXPECT_EQ(Shown()[0].icon, host::MsgBoxIcon::kNone);
  EXPECT_FALSE(Shown()[0].title.has_value());
  EXPECT_FALSE(crm_.store.Exists(duplicate));
  EXPECT_TRUE(crm_.store.Exists(crm_.beta)) << "the walk never touches the database folder";
  EXPECT_FALSE(crm_.store.Exists(crm_.beta_q1_post));
  EXPECT_EQ(crm_.store.Text(crm_.beta_north, "Account LocationID"), "");
}

TEST_F(DeleteTest, EndsWithoutChangeOnNoOrBadInput) {
  const auto before = Snapshot();
  const struct {
    std::string command_line;
    MsgBoxResult answer;
    Outcome outcome;
    std::size_t questions;
  } cases[] = {
      {"Delete;" + Id(crm_.beta) + ";;B200", MsgBoxResult::kNo, Outcome::kNotDone, 1},  // No
      {"Delete;" + Id(crm_.beta), MsgBoxResult::kYes, Outcome::kAbandoned, 1},  // no key field
      {"Delete;E999;;B200", MsgBoxResult::kYes, Outcome::kAbandoned, 0},        // no such item
      {"Delete;" + Id(crm_.beta_contact) + ";;B200", MsgBoxResult::kYes, Outcome::kAbandoned,
       0},  // not a post
      {"Delete", MsgBoxResult::kYes, Outcome::kAbandoned, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.command_line, c.answer), c.outcome) << c.command_line;
    EXPECT_EQ(Shown().size(), c.questions) << c.command_line;
    EXPECT_EQ(Snapshot(), before) << c.command_line;
  }
}

}  // namespace
}  // namespace accounts
