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

  host::Ref<SheetApplication> Application() {
    return host::MakeRef<SheetApplication>(folder_.File("reports"), nullptr, SheetApplication::Settings{});
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

}  // namespace
}  // namespace sheet
