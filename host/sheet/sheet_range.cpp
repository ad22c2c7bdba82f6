#include "host/sheet/sheet_range.h"

#include "host/sheet/xlsx_error.h"

namespace sheet {
namespace {

class SheetFont : public host::excel::Font {
 public:
  SheetFont(std::shared_ptr<XlsxBook> book, int sheet, long row, long column)
      : book_(std::move(book)), sheet_(sheet), row_(row), column_(column) {}

  void SetBold(bool bold) override { book_->Style(sheet_, row_, column_).bold = bold; }

 private:
  std::shared_ptr<XlsxBook> book_;
  int sheet_;
  long row_;
  long column_;
};

int AlignmentOf(int code) {
  switch (code) {
    case host::excel::kAlignGeneral: return LXW_ALIGN_NONE;
    case host::excel::kAlignCenter: return LXW_ALIGN_CENTER;
    case host::excel::kAlignLeft: return LXW_ALIGN_LEFT;
    case host::excel::kAlignRight: return LXW_ALIGN_RIGHT;
    default:
      throw SheetError("cannot align a cell by " + std::to_string(code),
                       "the alignments are 1 (general), -4108 (centre), -4131 (left) and -4152 (right)");
  }
}

}  // namespace

SheetRange::SheetRange(std::shared_ptr<XlsxBook> book, int sheet, long row, long column)
    : book_(std::move(book)), sheet_(sheet), row_(row), column_(column) {}

void SheetRange::SetColumnWidth(double width) { book_->SetColumnWidth(sheet_, column_, width); }

void SheetRange::SetHorizontalAlignment(int alignment) {
  const int aligned = AlignmentOf(alignment);
  book_->Style(sheet_, row_, column_).alignment = aligned;
}

host::Ref<host::excel::Font> SheetRange::Font() {
  return host::MakeRef<SheetFont>(book_, sheet_, row_, column_);
}

void SheetRange::SetValue(const host::Value& value) {
  book_->SetValue(sheet_, row_, column_, CellFromValue(value));
}

long SheetRange::CopyFromRecordset(host::Ref<host::ado::Recordset> recordset) {
  const int fields = recordset->FieldCount();
  long row = row_;
  for (; row <= book_->last_row() && !recordset->Eof(); ++row, recordset->MoveNext()) {
    for (int i = 0; i < fields; ++i) {
      book_->SetValue(sheet_, row, column_ + i, CellFromValue(recordset->Value(i)));
    }
  }
  return row - row_;
}

}  // namespace sheet
