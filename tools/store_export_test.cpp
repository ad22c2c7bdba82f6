#include "tools/store_export.h"

#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/store/test_store.h"

namespace storetool {
namespace {

using store::testing::RowsOf;
using store::testing::TempDir;
using store::testing::TestStore;
using store::testing::TextProperties;

// Checks a folder's subfolders, items and their properties against the
// store at `path`, row by row and in order; `entry_id` "" stands for the
// store's top level.
void ExpectFolderMatches(const std::string& path, const std::string& entry_id, const nlohmann::ordered_json& folder) {
  const std::string id = "(SELECT id FROM folders WHERE entry_id = '" + entry_id + "')";
  std::vector<std::string> folders, items;
  for (const auto& child : folder["folders"]) folders.push_back(child["entry_id"]);
  EXPECT_EQ(folders, RowsOf(path, "SELECT entry_id FROM folders WHERE parent IS " + id + " ORDER BY id", 1));
  if (!entry_id.empty()) {
    for (const auto& item : folder["items"]) {
      items.push_back(item["entry_id"]);
      for (const auto& [name, value] : item["properties"].items()) items.push_back(name + "=" + value.dump());
    }
    // Each item's entry ID, then its properties by name.
    EXPECT_EQ(items, RowsOf(path, "SELECT line FROM (SELECT id, NULL AS name, entry_id AS line FROM items "
                                  "WHERE folder = " + id + " UNION ALL SELECT p.item, p.name, p.name || '=\"' || "
                                  "p.value || '\"' FROM properties p JOIN items i ON i.id = p.item WHERE i.folder = " +
                                  id + ") ORDER BY id, name", 1));
  }
  for (const auto& child : folder["folders"]) ExpectFolderMatches(path, child["entry_id"], child);
}

TEST(StoreExportTest, ItemsAndPropertiesStayWithTheirFoldersWhateverOrderTheyWereAdded) {
  // Folders numbered apart from their nesting order, items added round
  // the folders, properties added out of name order, subjects long enough
  // that each folder's text goes past the memory the export keeps for it,
  // and items enough for three of the batches the export reads.
  constexpr int kItems = 2'100;
  TempDir dir;
  TestStore store(dir.File("s.db"));
  const auto first = store.AddFolder("First");
  const auto second = store.AddFolder("Second");
  const auto inner = store.AddFolder("Inner", first);
  store.AddFolder("Empty", inner);
  const auto deeper = store.AddFolder("Deeper", inner);
  const std::int64_t round[] = {second, deeper, first, inner, second, first, deeper};
  store::Transaction adding(store.db());
  for (int i = 0; i < kItems; ++i) {
    const std::string n = std::to_string(i);
    TextProperties properties;
    if (i % 3 != 0) properties = {{"zeta", n}, {"Alpha", "a" + n}, {"beta", "b" + n}};
    if (i % 4 == 1) properties.push_back({"Zulu", "z" + n});
    store.AddItem(round[i % 7], "IPM.Contact", properties, "Subject " + n + std::string(i < 21 ? 30000 : 0, 'x'));
  }
  adding.Commit();
  std::ostringstream out;
  ExportStore(store.db(), out);
  ExpectFolderMatches(dir.File("s.db"), "", nlohmann::ordered_json::parse(out.str()));
}

TEST(StoreExportTest, FailsOnTextThatIsNotUtf8NamingItsItemAndPlace) {
  // Other programs may write any bytes into the store's text columns.
  const struct {
    const char* sql;
    std::string error;
  } cases[] = {
      {"UPDATE items SET subject = CAST(x'41FF' AS TEXT) WHERE id = 1",
       R"(item "E1", member "subject": not valid UTF-8 (invalid UTF-8 byte at index 1: 0xFF))"},
      {"UPDATE properties SET value = CAST(x'C328' AS TEXT) WHERE name = 'Note'",
       R"(item "E1", property "Note": not valid UTF-8 (invalid UTF-8 byte at index 1: 0x28))"},
      {"UPDATE properties SET name = CAST(x'4EC0' AS TEXT) WHERE name = 'Note'",
       R"(item "E1", property "N�": not valid UTF-8 (invalid UTF-8 byte at index 1: 0xC0))"},
      {"UPDATE folders SET name = CAST(x'ED' AS TEXT) WHERE id = 2",
       R"(folder "F2", member "name": not valid UTF-8 (incomplete UTF-8 string; last byte: 0xED))"},
      {"UPDATE store SET outlook_version = CAST(x'FE' AS TEXT)",
       R"(member "outlook_version": not valid UTF-8 (invalid UTF-8 byte at index 0: 0xFE))"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    TempDir dir;
    TestStore store(dir.File("s.db"));
    const auto folder = store.AddFolder("Account Profiles");
    store.AddItem(store.AddFolder("Contacts", folder), "IPM.Contact", {{"Note", "ok"}});
    store.db().Exec(c.sql);
    std::ostringstream out;
    EXPECT_THAT([&] { ExportStore(store.db(), out); },
                ::testing::ThrowsMessage<std::runtime_error>(dir.File("s.db") + ": " + c.error));
    EXPECT_FALSE(nlohmann::json::accept(out.str())) << "the output is a whole document";
  }
}

}  // namespace
}  // namespace storetool
