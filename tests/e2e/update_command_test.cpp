#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "host/store/test_store.h"
#include "tests/e2e/child_process.h"

// Update run as a user runs it: a store made with quorvia-store import, the
// reports database and its data source made with reports-db and reports-dsn,
// quorvia-utilities over the real SQLite ODBC driver, the tables read back.
namespace e2e {
namespace {

using nlohmann::json;
using store::testing::RowsOf;
using Rows = std::vector<std::string>;

const std::string kHostileKey = "O'Neil";
const std::string kHostileName = R"(Bob's [Shop] "Best")";
const std::string kHostileTeam = R"(x'); drop table "Deals"; --)";

json Item(const std::string& entry, const std::string& key, const std::string& name, const std::string& team) {
  return {{"entry_id", entry},
          {"properties", {{"AccountID", key}, {"Account Name", name}, {"Account Manager", "M"}, {"Team", team},
                          {"Alignment", "Standard"}}}};
}

json Folder(const std::string& name, const std::string& message_class, json items, json folders = json::array()) {
  return {{"name", name}, {"default_message_class", message_class}, {"items", items}, {"folders", folders}};
}

// The related items still hold the account's old values ("Old", "Old
// team"); the account items hold the new ones that Update copies.
json CrmDocument() {
  const json accounts = {Item("E01", kHostileKey, kHostileName, kHostileTeam), Item("E02", "C300", "Gamma", "North"),
                         Item("E03", "ONeil", "Near miss", "South")};
  const auto old = [](const std::string& entry, const std::string& key) { return Item(entry, key, "Old", "Old team"); };
  const json nested_deals = Folder("Deals", "IPM.Post", {old("E20", kHostileKey), old("E21", "C300")});
  return {{"format", 1},
          {"outlook_version", "16.0"},
          {"folders",
           {Folder("Account Profiles", "IPM.Post", accounts,
                   {Folder("Contacts", "IPM.Contact", {old("E10", kHostileKey), old("E11", "ONeil")}),
                    Folder("Deals", "IPM.Post", {old("E12", kHostileKey), old("E13", "C300")}),
                    Folder("Activities", "IPM.Post", json::array(), {nested_deals})})}}};
}

class UpdateCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Tool({"import", "-"}, CrmDocument().dump());
    Tool({"reports-db", reports_});
    Tool({"reports-dsn", reports_, "--sysini", dir_.File("")});
    store::testing::WriteFile(dir_.File("user.ini"), "");
  }
  void Tool(const std::vector<std::string>& args, const std::string& input = "") {
    const ProcessResult result = RunStoreTool(store_, args, input);
    ASSERT_EQ(result.status, 0) << result.err;
  }
  ProcessResult Update(const std::string& fields) {
    return e2e::Run(BuiltProgram("quorvia-utilities"), {"Update;E01;AccountID;" + kHostileKey + ";" + fields},
               {{"QUORVIA_STORE", store_}, {"QUORVIA_UI", "console"}, {"QUORVIA_LOG", "0"},
                {"ODBCSYSINI", dir_.File("")}, {"ODBCINI", dir_.File("user.ini")}});
  }

  store::testing::TempDir dir_;
  std::string store_ = dir_.File("crm.db");
  std::string reports_ = dir_.File("reports.db");
};

TEST_F(UpdateCommandTest, StoresHostileTextLiterallyInExactlyTheRowsOfTheKeyAndNeverMakesAMissingDatabase) {
  const ProcessResult updated = Update(";;;fixed");
  EXPECT_EQ(updated.status, 0) << updated.err;
  EXPECT_EQ(updated.err, "");
  // Both folders named Deals write the one table; other keys keep theirs.
  const std::string hostile = kHostileKey + "|" + kHostileName + "|" + kHostileTeam;
  EXPECT_EQ(RowsOf(reports_, "select AccountID, \"Account Name\", Team from Deals order by rowid", 3),
            (Rows{hostile, "C300|Old|Old team", hostile, "C300|Old|Old team"}));
  EXPECT_EQ(RowsOf(reports_, "select AccountID, Team, COMPANY from Contacts order by rowid", 3),
            (Rows{kHostileKey + "|" + kHostileTeam + "|" + kHostileName, "ONeil|Old team|"}));

  // A missing database is status 5, and it is not made.
  std::filesystem::remove(reports_);
  const ProcessResult missing = Update(";Team");
  EXPECT_EQ(missing.status, 5);
  EXPECT_EQ(missing.err.rfind("quorvia-utilities: the reports database was not fully updated", 0), 0U) << missing.err;
  EXPECT_NE(missing.err.find("cannot open the data source QuorviaReports"), std::string::npos) << missing.err;
  EXPECT_FALSE(std::filesystem::exists(reports_));
}

}  // namespace
}  // namespace e2e
