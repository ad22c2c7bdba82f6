#include "tools/store_export.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>
#include <stdexcept>

#include "host/store/schema.h"
#include "host/store/test_store.h"
#include "tools/tool_test_support.h"

namespace storetool {
namespace {

using store::testing::TempDir;
using store::testing::TestStore;

// What an export of the store at `path` wrote before it failed, and why.
struct FailedExport {
  std::string output;
  std::string error;
};

FailedExport ExportFailure(const std::string& path) {
  std::ostringstream out;
  try {
    ExportStore(*store::OpenStore(path), out);
  } catch (const std::runtime_error& error) {
    return {out.str(), error.what()};
  }
  return {out.str(), "no error"};
}

bool IsDocument(const std::string& text) { return nlohmann::json::accept(text); }

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
    TempDir dir;
    TestStore store(dir.File("s.db"));
    const auto folder = store.AddFolder("Account Profiles");
    store.AddItem(store.AddFolder("Contacts", folder), "IPM.Contact", {{"Note", "ok"}});
    store.db().Exec(c.sql);
    const FailedExport result = ExportFailure(dir.File("s.db"));
    EXPECT_EQ(result.error, dir.File("s.db") + ": " + c.error) << c.sql;
    EXPECT_FALSE(IsDocument(result.output)) << c.sql;
  }
}

TEST(StoreExportTest, FailsCleanlyOnFoldersDeeperThanTheStoreAllows) {
  TempDir dir;
  TestStore store(dir.File("s.db"));
  // A chain far deeper than any call stack could walk by recursion.
  store.db().Exec(
      "WITH RECURSIVE chain(level) AS (SELECT 1 UNION ALL SELECT level + 1 FROM chain WHERE level < 30000) "
      "INSERT INTO folders (id, entry_id, parent, name, default_message_class) "
      "SELECT level, printf('%04X', level), NULLIF(level - 1, 0), 'Level ' || level, 'IPM.Post' FROM chain");
  const FailedExport result = ExportFailure(dir.File("s.db"));
  EXPECT_EQ(result.error, dir.File("s.db") + R"(: folder "00C9" ("Level 201"): folders nest deeper than 200 levels)");
  EXPECT_FALSE(IsDocument(result.output));
}

TEST(StoreExportTest, TheToolReportsAFailedExportWithStatusOne) {
  TempDir dir;
  TestStore store(dir.File("s.db"));
  store.AddItem(store.AddFolder("Account Profiles"), "IPM.Post", {}, "\xFF");
  const auto run = testing::RunTool({"--store", dir.File("s.db"), "export"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "quorvia-store: " + dir.File("s.db") +
                         R"(: item "E1", member "subject": not valid UTF-8 (invalid UTF-8 byte at index 0: 0xFF))" + "\n");
  EXPECT_FALSE(IsDocument(run.out));
}

}  // namespace
}  // namespace storetool
