#include <gmock/gmock.h>

#include <filesystem>
#include <string>
#include <vector>

#include "accounts/account_test_fixture.h"
#include "host/odbc/reports_source_test_fixture.h"
#include "tools/reports_mirror.h"

namespace reports {
namespace {

using odbc::testing::Row;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

// Update run in-process on the test CRM, through the recording platform,
// against a SQLite reports database mirrored from it by quorvia-store's
// reports-db. Beta's account item (B200) has new values to copy.
class UpdateTest : public accounts::AccountTest {
 protected:
  UpdateTest() {
    std::filesystem::remove(reports_.database());
    storetool::MirrorReports(crm_.store.db(), reports_.database());
    crm_.store.SetText(crm_.beta, "Account Name", "Beta's");
    crm_.store.SetText(crm_.beta, "Team", "Central");
  }

  std::string Beta(const std::string& fields) { return "Update;" + Id(crm_.beta) + ";AccountID;B200;" + fields; }
  void Sql(const std::string& statement) { reports_.Connected()->Execute(statement); }
  std::vector<Row> Rows(const std::string& query) { return reports_.Rows(reports_.Connected(), query); }
  // The statements sent to the reports database, with their values.
  std::vector<std::string> Sent() { return CallsFrom("Connection.Execute", {"Connection.Execute"}); }
  // The tables whose update was sent, in order.
  std::vector<std::string> Updated() {
    std::vector<std::string> tables;
    for (const std::string& call : Sent()) {
      const auto start = call.find("update `") + 8;
      tables.push_back(call.substr(start, call.find('`', start) - start));
    }
    return tables;
  }

  odbc::testing::ScratchReportsSource reports_;
};

TEST_F(UpdateTest, WritesTheSchemaListedFieldsOfEveryFolderBelowTheDatabaseFolder) {
  EXPECT_EQ(Run(Beta(";Team,Account Name,Owner")), app::Outcome::kDone) << ending_.reason;
  const std::vector<std::string> sent = Sent();
  ASSERT_EQ(sent.size(), 6U);
  // The field list's order, not the schema table's; a field the account
  // lacks (Owner) is left out; a contact folder adds its COMPANY.
  EXPECT_EQ(sent[0],
            R"(Connection.Execute("update `Contacts` Set `Team` = ?, `Account Name` = ?,)"
            R"(`COMPANY` = ? where `AccountID` = ?", ["Central", "Beta's", "Beta's", "B200"]))");
  EXPECT_EQ(sent[2],
            R"(Connection.Execute("update `Activities` Set `Team` = ?, `Account Name` = ? )"
            R"(where `AccountID` = ?", ["Central", "Beta's", "B200"]))");
  EXPECT_EQ(Updated(), (std::vector<std::string>{"Contacts", "East", "Activities", "2026", "Q1", "Alerts"}));
  // What the rows hold afterwards is UpdateCommandTest's.
}

TEST_F(UpdateTest, TakesTheFixedFieldsWhenFieldSevenHasTextElseFieldFive) {
  const struct {
    std::string fields;
    std::string first_statement_sets;
  } cases[] = {
      {"X;Team;;Anything", "Set `Account Name` = ?, `Account Manager` = ?, `Team` = ?, `Alignment` = ?,"},
      {"X;Team;;", "Set `Team` = ?,"},
      {"X;Team", "Set `Team` = ?,"},
      {"X;Alignment;Ignored", "Set `Alignment` = ?,"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(Beta(c.fields)), app::Outcome::kDone) << c.fields;
    ASSERT_FALSE(Sent().empty()) << c.fields;
    EXPECT_THAT(Sent().front(), HasSubstr(c.first_statement_sets)) << c.fields;
  }
}

TEST_F(UpdateTest, StatementsWithoutAssignmentsAreSentRefusedAndStopTheDescentOnly) {
  // An empty field list: every statement is refused; that is ordinary data,
  // not a failure of the reports database.
  EXPECT_EQ(Run(Beta(";")), app::Outcome::kDone) << ending_.reason;
  EXPECT_EQ(Sent().front(), R"(Connection.Execute("update `Contacts` ,`COMPANY` = ? where `AccountID` = ?", ["Beta's", "B200"]))");
  EXPECT_EQ(Updated(), (std::vector<std::string>{"Contacts", "Activities", "Alerts"}));

  // No schema table: no statement, and the subfolders are still visited.
  Sql("drop table \"SchemaActivities\"");
  Sql("insert into \"Schema2026\" values ('Team')");
  EXPECT_EQ(Run(Beta(";Team")), app::Outcome::kDone) << ending_.reason;
  EXPECT_EQ(Updated(), (std::vector<std::string>{"Contacts", "East", "2026", "Q1", "Alerts"}));
  EXPECT_THAT(Sent()[2], HasSubstr("Set `Team` = ?, `Team` = ? where"));
  EXPECT_THAT(trace_.str(), HasSubstr("trace: RecurseUpdate: sending update `2026` Set `Team` = ?, `Team` = ? "
                                      "where `AccountID` = ? with \"Central\", \"Central\", \"B200\""));
}

TEST_F(UpdateTest, ARefusedAssignmentSkipsExactlyThatSubtreeAndEndsWithStatusFive) {
  Sql("alter table \"2026\" drop column Team");
  EXPECT_EQ(Run(Beta(";Team")), app::Outcome::kReportsFailed);
  EXPECT_EQ(Updated(), (std::vector<std::string>{"Contacts", "East", "Activities", "2026", "Alerts"}));
  EXPECT_THAT(ending_.reason, StartsWith("the reports database was not fully updated: table \"2026\": "));
  EXPECT_THAT(ending_.reason, HasSubstr("no such column"));
  EXPECT_EQ(Rows("select Team from Q1"), (std::vector<Row>{{"West"}}));
  EXPECT_EQ(Rows("select Team from Alerts where AccountID = 'B200'"), (std::vector<Row>{{"Central"}}));
}

TEST_F(UpdateTest, OnlyAMissingSchemaTableIsPassedOverAndAnyOtherFailureToReadItIsARefusal) {
  const std::vector<Row> before = Rows("select * from Q1");
  {
    // Another program writes to the database and holds it.
    const auto holder = reports_.Connected();
    holder->Execute("begin exclusive");
    EXPECT_EQ(Run(Beta(";Team")), app::Outcome::kReportsFailed);
    holder->Execute("rollback");
  }
  EXPECT_TRUE(Updated().empty());
  for (const char* table : {"Contacts", "Activities", "Alerts"}) {
    EXPECT_THAT(ending_.reason, HasSubstr("table \"" + std::string(table) + "\": cannot run the query")) << table;
  }
  EXPECT_THAT(ending_.reason, HasSubstr("database is locked"));
  // A refused folder's subfolders are not visited.
  EXPECT_THAT(trace_.str(), Not(HasSubstr("Schema2026")));
  EXPECT_EQ(Rows("select * from Q1"), before);

  // A schema table without its column is no folder without a table either.
  Sql("alter table `SchemaActivities` rename column FieldName to Name");
  EXPECT_EQ(Run(Beta(";Team")), app::Outcome::kReportsFailed);
  EXPECT_EQ(Updated(), (std::vector<std::string>{"Contacts", "East", "Alerts"}));
  EXPECT_THAT(ending_.reason, HasSubstr("table \"Activities\": "));
  EXPECT_THAT(ending_.reason, HasSubstr("no such column: FieldName"));
}

TEST_F(UpdateTest, AKeyColumnTheTablesLackIsARefusalThatChangesNoRow) {
  const std::vector<Row> contacts = Rows("select * from Contacts order by rowid");
  const std::vector<Row> quarter = Rows("select * from Q1 order by rowid");
  // A key column named like the key once compared two equal texts and set
  // every row of every table.
  for (const std::string fields : {"Account Key;Account Key;;Account Manager;;", "AcountID;B200;;Team"}) {
    EXPECT_EQ(Run("Update;" + Id(crm_.beta) + ";" + fields), app::Outcome::kReportsFailed) << fields;
    EXPECT_THAT(ending_.reason, StartsWith("the reports database was not fully updated: table \"Contacts\": "))
        << fields;
    EXPECT_THAT(ending_.reason, HasSubstr("no such column: " + fields.substr(0, fields.find(';'))));
    EXPECT_EQ(Updated(), (std::vector<std::string>{"Contacts", "Activities", "Alerts"})) << fields;
    EXPECT_EQ(Rows("select * from Contacts order by rowid"), contacts) << fields;
    EXPECT_EQ(Rows("select * from Q1 order by rowid"), quarter) << fields;
  }
}

TEST_F(UpdateTest, AContactTableWithoutTheAccountNameIsLeftOutNamingWhy) {
  const std::int64_t nameless =
      crm_.store.AddItem(crm_.profiles, "IPM.Post", {{"AccountID", "B200"}, {"Team", "Central"}});
  EXPECT_EQ(Run("Update;" + Id(nameless) + ";AccountID;B200;;Team"), app::Outcome::kReportsFailed);
  EXPECT_THAT(ending_.reason, StartsWith("the reports database was not fully updated: table \"Contacts\": "
                                         "no statement was made: "));
  EXPECT_THAT(ending_.reason, HasSubstr("\"Account Name\""));
  // Contacts gets no statement and its subfolder East is not visited.
  EXPECT_EQ(Updated(), (std::vector<std::string>{"Activities", "2026", "Q1", "Alerts"}));
  EXPECT_EQ(Rows("select Team from Q1"), (std::vector<Row>{{"Central"}}));
}

TEST_F(UpdateTest, TheFolderOfFieldFourKeepsItsTableButIsDescendedInto) {
  EXPECT_EQ(Run(Beta("Contacts;Team")), app::Outcome::kDone);
  EXPECT_EQ(Updated(), (std::vector<std::string>{"East", "Activities", "2026", "Q1", "Alerts"}));
  EXPECT_EQ(Rows("select Team from Contacts where AccountID = 'B200'"), (std::vector<Row>{{"West"}, {"West"}}));
}

TEST_F(UpdateTest, NothingIsOpenedWithoutTheAccountItemOrItsKey) {
  EXPECT_EQ(Run("Update;E999;AccountID;B200;;Team"), app::Outcome::kNotDone);
  EXPECT_THAT(ending_.reason, StartsWith("the account item was not opened: "));
  EXPECT_EQ(Run("Update;" + Id(crm_.beta) + ";AccountID;;;Team"), app::Outcome::kNotDone);
  EXPECT_EQ(Count("Create(Adodb.connection)"), 0);
  EXPECT_EQ(Rows("select Team from Q1"), (std::vector<Row>{{"West"}}));
}

}  // namespace
}  // namespace reports
