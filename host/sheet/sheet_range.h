#pragma once

#include <memory>

#include "host/excel.h"
#include "host/sheet/xlsx_book.h"

namespace sheet {

// A cell of a sheet of an XlsxBook; its style is kept by the book, so every
// Range and Font of the same cell sees and changes the same style.
class SheetRange : public host::excel::Range {
 public:
  SheetRange(std::shared_ptr<XlsxBook> book, int sheet, long row, long column);

  void SetColumnWidth(double width) override;
  void SetHorizontalAlignment(int alignment) override;
  host::Ref<host::excel::Font> Font() override;
  void SetValue(const host::Value& value) override;
  long CopyFromRecordset(host::Ref<host::ado::Recordset> recordset) override;

 private:
  std::shared_ptr<XlsxBook> book_;
  int sheet_;
  long row_;
  long column_;
};

}  // namespace sheet
