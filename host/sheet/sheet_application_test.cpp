#include "host/sheet/sheet_application.h"

#include <gmock/gmock.h>

#include <filesystem>
#include <limits>

#include "host/sheet/xlsx_read_back.h"
#include "host/store/test_store.h"

namespace sheet {
namespace {

using host::excel::kSheetFailure;
using store::testing::ThrownError;
using testing::ReadBack;

class SheetApplicationTest : public ::testing::Test {
 protected:
  host::Ref<SheetApplication> Application(SheetApplication::Settings settings = {}) {
    return host::MakeRef<SheetApplication>(folder_, saved_, settings);
  }

  store::testing::TempDir temp_;
  std::string folder_ = temp_.File("reports");
  std::shared_ptr<SavedReports> saved_ = std::make_shared<SavedReports>();
};

TEST_F(SheetApplicationTest, WritesHeaderCellsBoldAlignedInWideColumnsWhateverTheOrder) {
  auto application = Application();
  auto sheet = application->Workbooks()->Add()->Worksheets("Sheet1");
  const int alignments[] = {host::excel::kAlignCenter, host::excel::kAlignLeft, host::excel::kAlignRight};
  for (long column = 1; column <= 3; ++column) {
    sheet->Cells(1, column)->SetColumnWidth(20 + static_cast<double>(column));
    sheet->Cells(1, column)->SetHorizontalAlignment(alignments[column - 1]);
    sheet->Cells(1, column)->Font()->SetBold(true);
    sheet->Cells(1, column)->SetValue(std::string("Field ") + std::to_string(column));
  }
  // Style set after the value, through another reference to the cell.
  sheet->Range("D1")->SetValue(std::string("Late"));
  sheet->Range("$D$1")->Font()->SetBold(true);
  sheet->Range("E1")->SetValue(std::string("Plain"));
  sheet->Range("A2")->SetValue(std::string("data"));
  // A column's width may change after its rows are written.
  sheet->Cells(2, 2)->SetColumnWidth(9.5);

  const ReadBack book(application->Save().at(0));
  // Widths snap to whole pixels of the default font, 7 to a character.
  const struct {
    const char* value;
    nlohmann::json align;
    double width;  // -1 when not set
  } headers[] = {{"Field 1", "center", 21}, {"Field 2", "left", 9.5}, {"Field 3", "right", 23}, {"Late", nullptr, -1}};
  for (long column = 1; column <= 4; ++column) {
    const auto cell = book.Cell("Sheet1", std::string(1, static_cast<char>('A' + column - 1)) + "1");
    EXPECT_EQ(cell["value"], headers[column - 1].value) << column;
    EXPECT_EQ(cell["bold"], true) << column;
    EXPECT_EQ(cell["align"], headers[column - 1].align) << column;
    EXPECT_NEAR(book.Width("Sheet1", column), headers[column - 1].width, 1.0 / 7) << column;
  }
  EXPECT_EQ(book.Cell("Sheet1", "E1")["bold"], false);
  EXPECT_EQ(book.Cell("Sheet1", "E1")["align"], nullptr);
}

// The type each value keeps (text that looks like a number, numbers, dates,
// times, Booleans, nulls) is ExcelReportCommandTest's, through the same
// cells; here what a cell cannot hold as it is, and a value set again.
TEST_F(SheetApplicationTest, CutsOrWritesAsTextWhatACellCannotHoldAndReplacesValues) {
  using namespace std::chrono;
  auto application = Application();
  auto sheet = application->Workbooks()->Add()->Worksheets("Sheet1");
  const std::vector<host::Value> values = {host::Empty{},
                                           // Before 1900 no date cell holds them.
                                           host::LocalTime{local_days{1899y / December / 31}},
                                           host::LocalTime{local_days{1850y / June / 1} + hours{8}},
                                           // A cell holds 32767 characters, not bytes.
                                           std::string(32766, 'a') + "\u00e9b"};
  for (std::size_t i = 0; i < values.size(); ++i) {
    sheet->Cells(2, static_cast<long>(i) + 1)->SetValue(values[i]);
  }
  // Setting a value again replaces it; an empty value clears the cell.
  sheet->Range("A3")->SetValue(std::string("first"));
  sheet->Range("A3")->SetValue(std::string("second"));
  sheet->Range("B3")->SetValue(1.0);
  sheet->Range("B3")->SetValue(host::Empty{});
  const ReadBack book(application->Save().at(0));

  const std::vector<std::pair<std::string, nlohmann::json>> expected = {
      {"B2", {{"type", "text"}, {"value", "1899-12-31"}}},
      {"C2", {{"type", "text"}, {"value", "1850-06-01 08:00:00"}}},
      {"D2", {{"type", "text"}, {"value", std::string(32766, 'a') + "\u00e9"}}},
      {"A3", {{"type", "text"}, {"value", "second"}}},
  };
  for (const auto& [address, want] : expected) {
    const auto cell = book.Cell("Sheet1", address);
    for (const auto& [key, value] : want.items()) EXPECT_EQ(cell[key], value) << address << " " << key;
  }
  // A2 and B3 are empty: no other cell is written.
  EXPECT_EQ(book.CellCount("Sheet1"), expected.size());
}

TEST_F(SheetApplicationTest, RefusesCellsOutsideTheSheetAndRowsAlreadyWritten) {
  SheetApplication::Settings settings;
  settings.last_row = 10;
  auto application = Application(settings);
  auto sheet = application->Workbooks()->Add()->Worksheets("Sheet1");
  const std::vector<std::pair<std::string, std::function<void()>>> refused = {
      {"row 0", [&] { sheet->Cells(0, 1); }},
      {"column 0", [&] { sheet->Cells(1, 0); }},
      {"column 16385", [&] { sheet->Cells(1, 16385); }},
      {"row 11", [&] { sheet->Cells(11, 1); }},
      {"A11", [&] { sheet->Range("A11"); }},
      {"XFE1", [&] { sheet->Range("XFE1"); }},
      {"A1:B2", [&] { sheet->Range("A1:B2"); }},
      {"width -1", [&] { sheet->Range("A1")->SetColumnWidth(-1); }},
      {"width 256", [&] { sheet->Range("A1")->SetColumnWidth(256); }},
      {"alignment 7", [&] { sheet->Range("A1")->SetHorizontalAlignment(7); }},
      {"infinity", [&] { sheet->Range("A1")->SetValue(std::numeric_limits<double>::infinity()); }},
      {"NaN", [&] { sheet->Range("A1")->SetValue(std::numeric_limits<double>::quiet_NaN()); }},
  };
  for (const auto& [what, call] : refused) EXPECT_EQ(ThrownError(call, what).number(), kSheetFailure) << what;

  sheet->Range("B3")->SetValue(std::string("three"));
  sheet->Range("A3")->SetValue(std::string("same row"));
  sheet->Range("A10")->SetValue(std::string("last"));
  const host::Error above = ThrownError([&] { sheet->Range("C3")->SetValue(std::string("late")); });
  EXPECT_EQ(above.number(), kSheetFailure);
  EXPECT_NE(above.description().find("C3 of Sheet1"), std::string::npos) << above.description();
  EXPECT_EQ(ThrownError([&] { sheet->Range("A2")->Font()->SetBold(true); }).number(), kSheetFailure);
  // Widths are not written by row.
  sheet->Range("C1")->SetColumnWidth(12);

  const ReadBack book(application->Save().at(0));
  // These three alone: C3 and A2 stay empty.
  EXPECT_EQ(book.Cell("Sheet1", "B3")["value"], "three");
  EXPECT_EQ(book.Cell("Sheet1", "A3")["value"], "same row");
  EXPECT_EQ(book.Cell("Sheet1", "A10")["value"], "last");
  EXPECT_EQ(book.CellCount("Sheet1"), 3U);
  EXPECT_NEAR(book.Width("Sheet1", 3), 12, 1.0 / 7);
}

TEST_F(SheetApplicationTest, SavesEachWorkbookOnceUnderTheNextFreeNumberAndWhatIsLeftWhenReleased) {
  std::filesystem::create_directories(folder_);
  store::testing::WriteFile(folder_ + "/Book1.xlsx", "someone else's");
  auto application = Application();
  EXPECT_TRUE(application->ActiveWorkbook().IsNothing());
  auto first = application->Workbooks()->Add();
  auto second = application->Workbooks()->Add();
  EXPECT_TRUE(application->ActiveWorkbook() == second);
  first->Worksheets("Sheet1")->Range("A1")->SetValue(std::string("first"));
  second->Worksheets("Sheet1")->Range("B2")->SetValue(std::int32_t{7});

  EXPECT_EQ(application->Save(), (std::vector<std::string>{folder_ + "/Book2.xlsx", folder_ + "/Book3.xlsx"}));
  EXPECT_TRUE(application->Save().empty());
  EXPECT_EQ(ThrownError([&] { first->Worksheets("Sheet1")->Range("A2")->SetValue(1.0); }).number(),
            kSheetFailure);
  auto unsaved = application->Workbooks()->Add();
  unsaved->Worksheets("Sheet1")->Range("A1")->SetValue(std::string("at release"));
  unsaved.Reset();
  application.Reset();

  EXPECT_EQ(saved_->paths,
            (std::vector<std::string>{folder_ + "/Book2.xlsx", folder_ + "/Book3.xlsx", folder_ + "/Book4.xlsx"}));
  EXPECT_TRUE(saved_->failures.empty());
  EXPECT_EQ(store::testing::ReadFile(folder_ + "/Book1.xlsx"), "someone else's");
  EXPECT_EQ(ReadBack(folder_ + "/Book2.xlsx").Cell("Sheet1", "A1")["value"], "first");
  EXPECT_EQ(ReadBack(folder_ + "/Book3.xlsx").Cell("Sheet1", "B2")["value"], 7.0);
  EXPECT_EQ(ReadBack(folder_ + "/Book4.xlsx").Cell("Sheet1", "A1")["value"], "at release");
  EXPECT_EQ(temp_.Entries("reports"),
            (std::vector<std::string>{"Book1.xlsx", "Book2.xlsx", "Book3.xlsx", "Book4.xlsx"}));
}

TEST_F(SheetApplicationTest, RecordsAWorkbookItCannotWriteAtReleaseAndSavesTheOthers) {
  auto application = Application();
  application->Workbooks()->Add()->Worksheets("Sheet1")->Range("A1")->SetValue(std::string("lost"));
  // The first workbook's file is taken away and a folder put in its place.
  const auto hidden = temp_.Entries("reports");
  ASSERT_EQ(hidden.size(), 1U);
  std::filesystem::remove(folder_ + "/" + hidden[0]);
  std::filesystem::create_directory(folder_ + "/" + hidden[0]);
  application->Workbooks()->Add()->Worksheets("Sheet1")->Range("A1")->SetValue(std::string("kept"));
  application.Reset();

  EXPECT_THAT(saved_->failures, ::testing::ElementsAre(::testing::HasSubstr(hidden[0])));
  EXPECT_EQ(saved_->paths, std::vector<std::string>{folder_ + "/Book1.xlsx"});
  EXPECT_EQ(ReadBack(folder_ + "/Book1.xlsx").Cell("Sheet1", "A1")["value"], "kept");
  EXPECT_EQ(temp_.Entries("reports"), (std::vector<std::string>{hidden[0], "Book1.xlsx"}));
}

}  // namespace
}  // namespace sheet
