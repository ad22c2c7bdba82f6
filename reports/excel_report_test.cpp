#include <gmock/gmock.h>

#include <filesystem>
#include <string>
#include <vector>

#include "accounts/account_test_fixture.h"
#include "host/odbc/reports_source_test_fixture.h"
#include "host/sheet/xlsx_read_back.h"

namespace reports {
namespace {

using sheet::testing::ReadBack;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// ExcelReport run in-process through the recording platform, on a SQLite
// reports database of four people, writing its workbook into a folder of
// the test, where it is read back.
class ExcelReportTest : public accounts::AccountTest {
 protected:
  ExcelReportTest() {
    const auto connection = reports_.Connected();
    connection->Execute("create table people (code text, name text, born date, score integer)");
    connection->Execute(
        "insert into people values ('007', 'Zoë', '1990-05-17', 12), ('010', null, null, null), "
        "('12345678901234567890', 'Ann', '2001-01-01', -3), ('042', 'Bo', '1970-12-31', 0)");
    platform_hook_ = [this](host::testing::RecordingPlatform& /*platform*/) {
      inner_->SetReports(folder_, settings_);
    };
  }

  app::Outcome Report(const std::string& query = "select * from people order by rowid") {
    return Run("ExcelReport;" + query);
  }
  std::string Book() { return folder_ + "/Book1.xlsx"; }

  odbc::testing::ScratchReportsSource reports_;
  std::string folder_ = dir_.File("reports");
  sheet::SheetApplication::Settings settings_;
};

TEST_F(ExcelReportTest, EitherPathWritesTheSameWorkbook) {
  // A version without a point is all major version.
  settings_.version = "9";
  ASSERT_EQ(Report(), app::Outcome::kDone) << ending_.reason;
  EXPECT_TRUE(Shown().empty());
  EXPECT_EQ(Count("Range.CopyFromRecordset()"), 1);
  // What the copied workbook holds is ExcelReportCommandTest's; the
  // cell-by-cell path must write the same.
  const ReadBack copied(Book());
  EXPECT_EQ(copied.Cell("Sheet1", "C2")["type"], "date");
  EXPECT_EQ(copied.CellCount("Sheet1"), 4U + 13U);

  std::filesystem::remove(Book());
  settings_.version = "8.9";
  ASSERT_EQ(Report(), app::Outcome::kDone) << ending_.reason;
  EXPECT_EQ(Count("Range.CopyFromRecordset()"), 0);
  EXPECT_EQ(Count("Worksheet.Cells(5, 4)"), 1);
  const ReadBack filled(Book());
  EXPECT_EQ(filled.Cells("Sheet1"), copied.Cells("Sheet1"));
}

TEST_F(ExcelReportTest, RecordsBeyondASheetsLastRowGoOnTheNextSheetsWithTheirHeaderRow) {
  settings_.last_row = 2;  // a header row and one record per sheet
  for (const char* version : {"16.0", "8.0"}) {
    settings_.version = version;
    std::filesystem::remove(Book());
    ASSERT_EQ(Report(), app::Outcome::kDone) << version << ": " << ending_.reason;
    const ReadBack book(Book());
    ASSERT_EQ(book.SheetNames(), (std::vector<std::string>{"Sheet1", "Sheet2", "Sheet3", "Sheet4"})) << version;
    EXPECT_EQ(book.Cell("Sheet4", "A1")["value"], "code") << version;
    EXPECT_EQ(book.Cell("Sheet4", "A1")["bold"], true) << version;
    EXPECT_EQ(book.Cell("Sheet4", "A2")["value"], "042") << version;
    EXPECT_EQ(book.Cell("Sheet2", "A2")["value"], "010") << version;
  }
}

TEST_F(ExcelReportTest, AQueryThatCannotRunShowsTheDriversOwnError) {
  EXPECT_EQ(Report("select * from nowhere"), app::Outcome::kReportsFailed);
  ASSERT_EQ(Shown().size(), 1U);
  EXPECT_THAT(Shown()[0].text, StartsWith("-2147217865 - cannot run the query on the data source QuorviaReports: "));
  EXPECT_THAT(Shown()[0].text, HasSubstr("no such table: nowhere"));
  EXPECT_EQ(Shown()[0].icon, host::MsgBoxIcon::kCritical);
  EXPECT_EQ(Shown()[0].title, "Quorvia");
  EXPECT_EQ(Count("Create(Excel.Application)"), 0);

  std::filesystem::remove(reports_.database());
  EXPECT_EQ(Report(), app::Outcome::kReportsFailed);
  EXPECT_THAT(Shown()[0].text, StartsWith("-2147467259 - cannot open the data source QuorviaReports: "));
}

TEST_F(ExcelReportTest, AQueryThatWouldChangeTheDatabaseIsRefusedAndChangesNothing) {
  const auto rows = [&] { return reports_.Rows(reports_.Connected(), "select * from people order by rowid"); };
  const std::vector<odbc::testing::Row> before = rows();
  // Those without result columns are refused before they run; the journal
  // mode, which has one, by the read-only transaction.
  for (const char* query : {"delete from people", "insert into people values ('1', 'x', null, 1)",
                            "update people set score = 0 returning score", "drop table people",
                            "pragma query_only = 0", "pragma journal_mode = wal"}) {
    EXPECT_EQ(Report(query), app::Outcome::kReportsFailed) << query;
    ASSERT_EQ(Shown().size(), 1U) << query;
    EXPECT_THAT(Shown()[0].text, StartsWith("-2147467259 - cannot run the query on the data source QuorviaReports: "));
    EXPECT_EQ(Count("Create(Excel.Application)"), 0) << query;
    EXPECT_EQ(rows(), before) << query;
  }
  EXPECT_THAT(Shown()[0].text, HasSubstr("cannot change into wal mode"));
  EXPECT_EQ(reports_.Rows(reports_.Connected(), "pragma journal_mode"), (std::vector<odbc::testing::Row>{{"delete"}}));
  EXPECT_FALSE(std::filesystem::exists(folder_));
  EXPECT_EQ(Count("Connection.SetMode(1)"), 1);
}

}  // namespace
}  // namespace reports
