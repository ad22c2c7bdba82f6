#include <optional>

#include "accounts/account_test_fixture.h"
#include "host/item_windows.h"

namespace accounts {
namespace {

using app::Outcome;

// Item windows whose active window the test chooses; they remember what
// they were asked to minimize.
class ScriptedItemWindows : public host::ItemWindows {
 public:
  ScriptedItemWindows(std::optional<std::uint64_t> active, std::vector<std::uint64_t>& minimized)
      : active_(active), minimized_(minimized) {}
  void Display(host::DisplayedItem& /*item*/) override { throw host::Error(5, "not shown in this test"); }
  std::optional<std::uint64_t> ActiveWindow() override { return active_; }
  void Minimize(std::uint64_t window) override { minimized_.push_back(window); }

 private:
  std::optional<std::uint64_t> active_;
  std::vector<std::uint64_t>& minimized_;
};

using FrontTest = AccountTest;

TEST_F(FrontTest, OnlyTheCdoViewDecidesWhetherTheItemOpens) {
  const struct {
    const char* failing;
    const char* reason;
  } cases[] = {
      {"Session.GetMessage", "the item does not open"},
      {"Namespace.GetItemFromID", "no item window was minimized"},
  };
  std::vector<std::uint64_t> minimized;
  desktop_hook_ = [&](host::Desktop& desktop) {
    desktop.item_windows = std::make_unique<ScriptedItemWindows>(7, minimized);
  };
  for (const auto& c : cases) {
    minimized.clear();
    platform_hook_ = [&](host::testing::RecordingPlatform& platform) { platform.log().FailCall(c.failing); };
    EXPECT_EQ(Run("Front;" + Id(crm_.acme)), Outcome::kNotDone) << c.failing;
    EXPECT_TRUE(ending_.reason.starts_with(c.reason)) << c.failing << ": " << ending_.reason;
    EXPECT_TRUE(minimized.empty()) << c.failing;
    EXPECT_EQ(Count("Application.ActiveInspector()"), 0) << c.failing;
  }
}

}  // namespace
}  // namespace accounts
