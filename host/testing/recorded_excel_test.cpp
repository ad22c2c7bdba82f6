#include <gtest/gtest.h>

#include "host/excel.h"
#include "host/linux_platform.h"
#include "host/testing/crm_store.h"
#include "host/testing/recording_platform.h"

namespace host::testing {
namespace {

class RecordedExcelTest : public ::testing::Test {
 protected:
  RecordedExcelTest() { inner_.SetReports(dir_.File("reports")); }

  store::testing::TempDir dir_;
  CrmStore crm_{dir_.File("crm.db")};
  LinuxPlatform inner_{dir_.File("crm.db"), std::make_unique<ScriptedMessageBox>(),
                       std::make_unique<IdleEventPump>()};
  RecordingPlatform platform_{inner_};
};

TEST_F(RecordedExcelTest, RecordsEachCallOnTheWayToACellAndFailsTheNamedOne) {
  auto excel = platform_.CreateExcel();
  auto sheet = excel->Workbooks()->Add()->Worksheets("Sheet1");
  auto cell = sheet->Cells(1, 2);
  cell->SetHorizontalAlignment(excel::kAlignCenter);
  cell->Font()->SetBold(true);
  cell->SetValue(std::string("Name"));
  platform_.log().FailCall("Range.SetValue");
  EXPECT_NE(store::testing::ThrownError([&] { sheet->Range("B2")->SetValue(2.5); }).number(), 0);
  EXPECT_EQ(platform_.log().calls(),
            (std::vector<std::string>{"Create(Excel.Application)", "Excel.Workbooks()", "Workbooks.Add()",
                                      "Workbook.Worksheets(\"Sheet1\")", "Release(Workbook)",
                                      "Release(Workbooks)", "Worksheet.Cells(1, 2)",
                                      "Range.SetHorizontalAlignment(-4108)", "Range.Font()",
                                      "Font.SetBold(true)", "Release(Font)", "Range.SetValue(\"Name\")",
                                      "Worksheet.Range(\"B2\")", "Range.SetValue(2.5)", "Release(Range)"}));

  platform_.Refuse("Excel.Application");
  EXPECT_EQ(store::testing::ThrownError([&] { platform_.CreateExcel(); }).number(), kCannotCreateObject);
}

}  // namespace
}  // namespace host::testing
