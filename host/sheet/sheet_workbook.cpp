#include "host/sheet/sheet_workbook.h"

#include <unistd.h>

#include "host/sheet/cell_address.h"
#include "host/sheet/report_file.h"
#include "host/sheet/sheet_range.h"
#include "host/sheet/xlsx_error.h"

namespace sheet {
namespace {

class SheetWorksheet : public host::excel::Worksheet {
 public:
  SheetWorksheet(std::shared_ptr<XlsxBook> book, int sheet) : book_(std::move(book)), sheet_(sheet) {}

  void Activate() override { book_->Activate(sheet_); }

  host::Ref<host::excel::Range> Cells(long row, long column) override {
    book_->CheckCell(row, column);
    return host::MakeRef<SheetRange>(book_, sheet_, row, column);
  }

  host::Ref<host::excel::Range> Range(const std::string& address) override {
    long row = 0;
    long column = 0;
    if (!ParseCellAddress(address, row, column)) {
      throw SheetError("no cell at \"" + address + "\"", "a cell is named like A1 or $A$1");
    }
    return Cells(row, column);
  }

  long RowsCount() override { return book_->last_row(); }

 private:
  std::shared_ptr<XlsxBook> book_;
  int sheet_;
};

class SheetSheets : public host::excel::Sheets {
 public:
  explicit SheetSheets(std::shared_ptr<XlsxBook> book) : book_(std::move(book)) {}

  host::Ref<host::excel::Worksheet> Add() override {
    const int sheet = book_->AddSheet();
    book_->Activate(sheet);
    return host::MakeRef<SheetWorksheet>(book_, sheet);
  }

 private:
  std::shared_ptr<XlsxBook> book_;
};

}  // namespace

SheetWorkbook::SheetWorkbook(const std::filesystem::path& folder, long last_row)
    : folder_(folder), temporary_(folder) {
  try {
    book_ = std::make_shared<XlsxBook>(temporary_.path(), last_row);
  } catch (...) {
    unlink(temporary_.path().c_str());
    throw;
  }
}

SheetWorkbook::~SheetWorkbook() {
  if (!saved_) unlink(temporary_.path().c_str());
}

host::Ref<host::excel::Worksheet> SheetWorkbook::Worksheets(const std::string& name) {
  const int sheet = book_->FindSheet(name);
  if (sheet < 0) throw host::SubscriptOutOfRange();
  return host::MakeRef<SheetWorksheet>(book_, sheet);
}

host::Ref<host::excel::Sheets> SheetWorkbook::Worksheets() { return host::MakeRef<SheetSheets>(book_); }

std::string SheetWorkbook::Save() {
  saved_ = true;
  try {
    book_->Close();
    return PlaceReport(temporary_.path(), folder_);
  } catch (...) {
    unlink(temporary_.path().c_str());
    throw;
  }
}

}  // namespace sheet
