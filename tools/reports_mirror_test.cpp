#include "tools/reports_mirror.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/tool_test_support.h"

namespace storetool {
namespace {

using store::testing::RowsOf;
using store::testing::TestStore;
using testing::RunTool;
using testing::TempDir;

using Lines = std::vector<std::string>;

TEST(ReportsMirrorTest, MirrorsEveryFolderBelowTheDatabaseFolderOneTableAName) {
  TempDir dir;
  const std::string path = dir.File("s.db");
  {
    TestStore store(path);
    const auto profiles = store.AddFolder("Account Profiles");
    store.AddItem(store.AddFolder("Contacts", store.AddFolder("Elsewhere")), "IPM.Contact", {{"AccountID", "X9"}});
    store.AddItem(profiles, "IPM.Post", {{"AccountID", "A0"}});
    const auto contacts = store.AddFolder("Contacts", profiles, "IPM.Contact.Quorvia");
    const auto company = store.AddItem(contacts, "IPM.Contact", {{"AccountID", "A'1"}, {"Account Name", "O'Brien"},
                                                                 {"Team", "East"}, {"Subject", "not mirrored"}});
    store.db().Exec(("UPDATE items SET company_name = 'O''Brien Ltd' WHERE id = " + std::to_string(company)).c_str());
    const auto opportunities = store.AddFolder("Opportunities", profiles);
    store.AddItem(opportunities, "IPM.Post", {{"AccountID", "A2"}, {"Account Manager", "Jane"}, {"Alignment", "Nord"}});
    store.AddItem(store.AddFolder("Opportunities", contacts), "IPM.Post",
                  {{"AccountID", "A3"}, {"Account Name", "Ünïcode"}});
    const auto quoted = store.AddFolder("Say \"Hi\"", opportunities, "ipm.contact");
    store.AddItem(quoted, "IPM.Post", {{"AccountID", "A4"}});
    store.AddItem(quoted, "IPM.Post");
  }
  const std::string reports = dir.File("reports/r.db");
  const testing::ToolRun run = RunTool({"--store", path, "reports-db", reports});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(RowsOf(reports, "SELECT name FROM sqlite_schema WHERE type = 'table' ORDER BY name", 1),
            (Lines{"Contacts", "Opportunities", "Say \"Hi\"", "SchemaContacts", "SchemaOpportunities",
                   "SchemaSay \"Hi\""}));
  const Lines post_columns{"AccountID|TEXT", "Account Name|TEXT", "Account Manager|TEXT", "Team|TEXT",
                           "Alignment|TEXT"};
  Lines contact_columns = post_columns;
  contact_columns.push_back("COMPANY|TEXT");
  const struct {
    std::string table;
    Lines columns;
    Lines rows;
  } tables[] = {
      {"Contacts", contact_columns, {"A'1|O'Brien|-|East|-|O'Brien Ltd"}},
      {"Opportunities", post_columns, {"A2|-|Jane|-|Nord", "A3|Ünïcode|-|-|-"}},
      {"Say \"Hi\"", contact_columns, {"A4|-|-|-|-|", "-|-|-|-|-|"}},
  };
  for (const auto& table : tables) {
    SCOPED_TRACE(table.table);
    EXPECT_EQ(RowsOf(reports, "SELECT name, type FROM pragma_table_info('" + table.table + "')", 2), table.columns);
    const auto columns = static_cast<int>(table.columns.size());
    // SQLite also takes a name in brackets, which holds quotes as they are.
    EXPECT_EQ(RowsOf(reports, "SELECT * FROM [" + table.table + "] ORDER BY rowid", columns), table.rows);
    EXPECT_EQ(RowsOf(reports, "SELECT FieldName FROM [Schema" + table.table + "] ORDER BY rowid", 1),
              (Lines{"Account Name", "Account Manager", "Team", "Alignment"}));
  }
}

TEST(ReportsMirrorTest, LeavesNoFileWhenItCannotMirrorTheStore) {
  const struct {
    const char* folder;  // below the top-level folder
    const char* top;
    bool exists;  // the reports file is there already
    std::string error;
  } cases[] = {
      {"Contacts", "Account Profiles", true, "r.db: the file exists already; it is not overwritten"},
      {"Contacts", "Accounts", false, "s.db: there is no top-level folder \"Account Profiles\""},
      {"schemacontacts", "Account Profiles", false,
       "s.db: the folder \"schemacontacts\" has the name of the schema table of the folder \"Contacts\""},
  };
  for (const auto& c : cases) {
    TempDir dir;
    {
      TestStore store(dir.File("s.db"));
      const auto top = store.AddFolder(c.top);
      store.AddFolder(c.folder, store.AddFolder("Contacts", top));
    }
    if (c.exists) store::testing::WriteFile(dir.File("r.db"), "precious");
    const testing::ToolRun run = RunTool({"--store", dir.File("s.db"), "reports-db", dir.File("r.db")});
    EXPECT_EQ(run.status, 1) << c.error;
    EXPECT_EQ(run.err, "quorvia-store: " + dir.File(c.error) + "\n");
    EXPECT_EQ(dir.Entries(), c.exists ? (Lines{"r.db", "s.db"}) : (Lines{"s.db"})) << c.error;
    EXPECT_EQ(store::testing::ReadFile(dir.File("r.db")), c.exists ? "precious" : "") << c.error;
  }
}

}  // namespace
}  // namespace storetool
