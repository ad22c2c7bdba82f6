#include "host/desktop/console_item_windows.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "host/error.h"

namespace desktop {
namespace {

// An item that keeps what it is given to store.
class HeldItem : public host::DisplayedItem {
 public:
  std::string MessageClass() override { return "IPM.StickyNote"; }
  std::string EntryID() override { return entry_id_; }
  std::string Body() override { return body_; }
  std::string FolderEntryID() override { return "F1"; }
  std::vector<std::pair<std::string, std::string>> TextProperties() override { return {}; }
  void StoreBody(const std::string& body) override {
    stored.push_back(body);
    body_ = body;
    entry_id_ = "NEW1";
  }

  std::vector<std::string> stored;

 private:
  std::string entry_id_;
  std::string body_;
};

// A new item is stored with the typed text, its line ends made CRLF; without
// text it is not stored and the window fails.
TEST(ConsoleItemWindowsTest, NewItemStoresTypedTextWithStoredLineEndsAndFailsWithoutText) {
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {"first\nsecond\r\nthird\rfourth\n\n", "first\r\nsecond\r\nthird\r\nfourth\r\n"},
      {"  indented, no end", "  indented, no end"},
      {"", std::nullopt},  {"\n", std::nullopt},  {" \t\r\n  \n", std::nullopt},
  };
  for (const auto& [typed, stored] : cases) {
    std::istringstream in(typed);
    std::ostringstream out;
    std::ostringstream prompt;
    HeldItem item;
    if (stored) {
      ConsoleItemWindows(in, out, &prompt).Display(item);
      EXPECT_EQ(item.stored, std::vector<std::string>{*stored}) << typed;
      EXPECT_TRUE(out.str().starts_with("== IPM.StickyNote NEW1 ==\n")) << typed;
    } else {
      EXPECT_THROW(ConsoleItemWindows(in, out, &prompt).Display(item), host::Error) << typed;
      EXPECT_TRUE(item.stored.empty()) << typed;
      EXPECT_EQ(out.str(), "") << typed;
    }
    EXPECT_EQ(prompt.str(), "Type the alert's text; end with Ctrl-D:\n") << typed;
  }
}

}  // namespace
}  // namespace desktop
