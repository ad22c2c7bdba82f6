#include <gtest/gtest.h>

#include "host/odbc/odbc_recordset.h"
#include "host/odbc/reports_source_test_fixture.h"
#include "host/sheet/sheet_application.h"
#include "host/sheet/xlsx_read_back.h"

namespace sheet {
namespace {

// Recordsets of the real SQLite data source, copied into real workbooks and
// read back.
class CopyFromRecordsetTest : public odbc::testing::ReportsSourceTest {
 protected:
  CopyFromRecordsetTest() : connection_(Connected()) {
    connection_->Execute(
        "create table Accounts (Id integer, Amount numeric(10,2), Score real, Opened date, "
        "Seen timestamp, Active bit, Code text, Name text)");
  }

  host::Ref<host::ado::Recordset> Query(const std::string& query) {
    auto recordset = host::MakeRef<odbc::OdbcRecordset>();
    recordset->Open(query, connection_);
    return recordset;
  }

  // A header row the way the report lays it out: each field's name, bold and centred.
  static void WriteHeader(host::excel::Worksheet& sheet, host::ado::Recordset& recordset) {
    for (int i = 0; i < recordset.FieldCount(); ++i) {
      auto cell = sheet.Cells(1, i + 1);
      cell->SetColumnWidth(15);
      cell->SetHorizontalAlignment(host::excel::kAlignCenter);
      cell->Font()->SetBold(true);
      cell->SetValue(recordset.FieldName(i));
    }
  }

  host::Ref<SheetApplication> Application(long last_row = 1048576) {
    SheetApplication::Settings settings;
    settings.last_row = last_row;
    return host::MakeRef<SheetApplication>(folder_.File("reports"), nullptr, settings);
  }

  store::testing::TempDir folder_;
  host::Ref<host::ado::Connection> connection_;
};

TEST_F(CopyFromRecordsetTest, CopiesFromTheCurrentRowAndNothingFromAnEmptyOne) {
  for (int id = 1; id <= 4; ++id) {
    connection_->Execute("insert into Accounts (Id) values (" + std::to_string(id) + ")");
  }
  auto application = Application();
  auto sheet = application->Workbooks()->Add()->Worksheets("Sheet1");
  auto recordset = Query("select Id from Accounts order by Id");
  recordset->MoveNext();
  EXPECT_EQ(sheet->Cells(3, 2)->CopyFromRecordset(recordset), 3);
  EXPECT_EQ(sheet->Cells(7, 1)->CopyFromRecordset(Query("select Id from Accounts where Id > 9")), 0);
  EXPECT_EQ(sheet->Cells(8, 1)->CopyFromRecordset(recordset), 0);
  const testing::ReadBack book(application->Save().at(0));
  EXPECT_EQ(book.Cell("Sheet1", "B3")["value"], 2.0);
  EXPECT_EQ(book.Cell("Sheet1", "B5")["value"], 4.0);
  EXPECT_EQ(book.CellCount("Sheet1"), 3U);
}

// With three data rows to a sheet, seven rows fill Sheet1, Sheet2 and one
// row of Sheet3, each under its own header.
TEST_F(CopyFromRecordsetTest, StopsAtTheSheetsEndAndGoesOnInTheNextSheet) {
  for (int id = 1; id <= 7; ++id) {
    connection_->Execute("insert into Accounts (Id, Name) values (" + std::to_string(id) + ", 'n" +
                         std::to_string(id) + "')");
  }
  auto application = Application(4);
  auto workbook = application->Workbooks()->Add();
  auto recordset = Query("select Id, Name from Accounts order by Id");
  std::vector<long> copied;
  for (auto sheet = workbook->Worksheets("Sheet1");; sheet = workbook->Worksheets()->Add()) {
    WriteHeader(*sheet, *recordset);
    copied.push_back(sheet->Range("A2")->CopyFromRecordset(recordset));
    if (recordset->Eof()) break;
    // The recordset stands on the first row that did not fit.
    EXPECT_EQ(recordset->Fields(0), std::to_string(copied.size() * 3 + 1));
    ASSERT_LT(copied.size(), 3U);
  }
  EXPECT_EQ(copied, (std::vector<long>{3, 3, 1}));
  const testing::ReadBack book(application->Save().at(0));
  ASSERT_EQ(book.SheetNames(), (std::vector<std::string>{"Sheet1", "Sheet2", "Sheet3"}));
  for (int id = 1; id <= 7; ++id) {
    const std::string sheet = std::string("Sheet").append(std::to_string((id - 1) / 3 + 1));
    const std::string row = std::to_string((id - 1) % 3 + 2);
    EXPECT_EQ(book.Cell(sheet, "A" + row)["value"], static_cast<double>(id)) << id;
    EXPECT_EQ(book.Cell(sheet, "B" + row)["value"], std::string("n").append(std::to_string(id))) << id;
    EXPECT_EQ(book.Cell(sheet, "B1")["value"], "Name") << sheet;
  }
  EXPECT_EQ(book.CellCount("Sheet3"), 4U);
}

}  // namespace
}  // namespace sheet
