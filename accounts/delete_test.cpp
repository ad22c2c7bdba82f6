#include <gmock/gmock.h>

#include "accounts/account_test_fixture.h"

namespace accounts {
namespace {

using app::Outcome;
using host::MsgBoxResult;

class DeleteTest : public AccountTest {};

TEST_F(DeleteTest, SelectsByTheKeyFieldAndDeletesTheItemNamedByEntryId) {
  const auto duplicate = crm_.store.AddItem(crm_.profiles, "IPM.Post", {{"AccountID", "B200"}}, "");
  EXPECT_EQ(Run("Delete;" + Id(duplicate) + ";;B200", MsgBoxResult::kYes), Outcome::kDone);
  EXPECT_THAT(Shown(), ::testing::ElementsAre(::testing::FieldsAre(
                           "Are you sure you want to delete '' and all subitems?", host::MsgBoxButtons::kYesNo,
                           host::MsgBoxIcon::kNone, std::nullopt)));
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
