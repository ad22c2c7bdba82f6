#include <ctime>
#include <map>

#include "alerts/alert_test_fixture.h"

namespace alerts {
namespace {

using app::Outcome;

const std::string kLayout = "{0E20060000000000C000000000000046}0x8B0";

using AddAlertsTest = AlertTest;

std::string TimeText(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

TEST_F(AddAlertsTest, CdoPathStoresTheNoteWithItsFieldsTimesAndFlagsThenReopensAndShowsIt) {
  MakeStore("10.0", {"Alerts"});
  const std::string before = TimeText(std::time(nullptr));
  EXPECT_EQ(Run("AddAlerts;K'1;Acme;Ann;North;East;ignored"), Outcome::kDone) << ending_.reason;
  const std::string after = TimeText(std::time(nullptr));
  ASSERT_EQ(ItemsIn("Alerts").size(), 1u);
  const std::int64_t note = ItemsIn("Alerts").front();
  const std::string sent = store_->Column(note, "time_sent");
  EXPECT_GE(sent, before);
  EXPECT_LE(sent, after);
  EXPECT_EQ(store_->Column(note, "message_class"), "IPM.StickyNote");
  EXPECT_EQ(store_->Column(note, "time_received"), store_->Column(note, "time_sent"));
  EXPECT_EQ(store_->Column(note, "sent") + store_->Column(note, "unread") + store_->Column(note, "submitted"),
            "100");
  for (const auto& [name, value] : std::map<std::string, std::string>{
           {"AccountID", "K'1"}, {"Account Name", "Acme"}, {"Account Manager", "Ann"}, {"Team", "North"},
           {"Alignment", "East"}}) {
    EXPECT_EQ(store_->Text(note, name), value) << name;
  }
  EXPECT_EQ(store_->TypeOf(note, "Alignment"), "text");
  EXPECT_EQ(store_->Text(note, kLayout + "3"), "166");
  EXPECT_EQ(store_->TypeOf(note, kLayout + "3"), "integer");
  EXPECT_EQ(store_->Text(note, kLayout + "0"), "3");
  EXPECT_EQ(out_.str(), "== IPM.StickyNote " + store_->Column(note, "entry_id") + " ==\n");
}

// Fields the command leaves out are empty properties on the mail-store path
// and absent through CDO.
TEST_F(AddAlertsTest, NoteGoesToAlertsElseStickyNotesAndNowhereWithoutEitherKeepingWhatTheCommandLeavesOut) {
  const struct {
    std::initializer_list<const char*> folders;
    const char* chosen;  // null: neither
  } cases[] = {{{"Alerts"}, "Alerts"},
               {{"Sticky Notes"}, "Sticky Notes"},
               {{"Sticky Notes", "Alerts"}, "Alerts"},
               {{"Notes"}, nullptr},
               {{}, nullptr}};
  for (const bool through_cdo : {false, true}) {
    for (const auto& c : cases) {
      MakeStore(through_cdo ? "10.0" : "16.0", c.folders);
      const std::string label = std::to_string(c.folders.size()) + (through_cdo ? " cdo" : " items");
      EXPECT_EQ(Run("AddAlerts;K1;Acme", "text"), c.chosen ? Outcome::kDone : Outcome::kNotDone) << label;
      for (const char* folder : c.folders) {
        const bool chosen = c.chosen != nullptr && std::string(folder) == c.chosen;
        ASSERT_EQ(ItemsIn(folder).size(), chosen ? 1u : 0u) << label << " " << folder;
      }
      if (!c.chosen) {
        EXPECT_TRUE(Calls({"Items.Add", "Messages.Add", "Item.Display"}).empty()) << label;
        continue;
      }
      const std::int64_t note = ItemsIn(c.chosen).front();
      EXPECT_EQ(store_->Text(note, "AccountID"), "K1") << label;
      EXPECT_EQ(store_->Text(note, "Account Name"), "Acme") << label;
      for (const char* name : {"Account Manager", "Team", "Alignment"}) {
        EXPECT_EQ(store_->Text(note, name), through_cdo ? std::nullopt : std::optional<std::string>("")) << label << name;
      }
      EXPECT_EQ(store_->Text(note, kLayout + "5"), through_cdo ? std::optional<std::string>("90") : std::nullopt);
    }
  }
}

}  // namespace
}  // namespace alerts
