#include "alerts/alert_test_fixture.h"

namespace alerts {
namespace {

using app::Outcome;

class ShowAlertsTest : public AlertTest {
 protected:
  std::string Shown(std::int64_t item, const std::string& text) {
    return "== IPM.StickyNote " + store::testing::TestStore::EntryId(item) + " ==\n" + text + "\n";
  }
};

TEST_F(ShowAlertsTest, ShowsTheAccountsAlertsInTheFoldersOrderCountingOnce) {
  MakeStore("16.0", {"Alerts"});
  const auto first = AddAlert("Alerts", "K1", "Call Ann\r\nsoon");
  AddAlert("Alerts", "K2", "not K1's");
  const auto second = AddAlert("Alerts", "K1", "Renewal\rin May");
  AddAlert("Alerts", "k1", "another key");
  const auto third = AddAlert("Alerts", "K1", "");
  EXPECT_EQ(Run("Alerts;K1"), Outcome::kDone) << ending_.reason;
  EXPECT_EQ(out_.str(), Shown(first, "Call Ann\nsoon") + Shown(second, "Renewal\nin May") +
                            "== IPM.StickyNote " + store::testing::TestStore::EntryId(third) + " ==\n");
  EXPECT_EQ(Calls({"Items.Restrict", "Items.Count", "Items.Item", "Item.Display"}),
            (std::vector<std::string>{R"(Items.Restrict("[AccountID] = 'K1'"))", "Items.Count()",
                                      "Items.Item(1)", "Item.Display()", "Items.Item(2)", "Item.Display()",
                                      "Items.Item(3)", "Item.Display()"}));
}

// Which folder is searched is AddAlertsTest's (the two share it).
TEST_F(ShowAlertsTest, EndsWithoutAnAlertsFolder) {
  MakeStore("16.0", {"Notes"});
  AddAlert("Notes", "K1", "not an alerts folder");
  EXPECT_EQ(Run("Alerts;K1"), Outcome::kNotDone);
  EXPECT_EQ(out_.str(), "");
  EXPECT_TRUE(Calls({"Items."}).empty());
}

TEST_F(ShowAlertsTest, AnAlertThatCannotBeShownIsSkippedAndCounted) {
  MakeStore("16.0", {"Alerts"});
  const auto first = AddAlert("Alerts", "K1", "one");
  const auto refused = AddAlert("Alerts", "K1", "two");
  const auto third = AddAlert("Alerts", "K1", "three");
  refused_ = {store::testing::TestStore::EntryId(refused)};
  EXPECT_EQ(Run("Alerts;K1"), Outcome::kPartlyDone);
  EXPECT_EQ(out_.str(), Shown(first, "one") + Shown(third, "three"));
  EXPECT_EQ(ending_.reason, "1 of 3 alerts could not be shown: alert 2: the window did not open");
}

}  // namespace
}  // namespace alerts
