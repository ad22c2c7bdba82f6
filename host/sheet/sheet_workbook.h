#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "host/excel.h"
#include "host/sheet/report_file.h"
#include "host/sheet/xlsx_book.h"

namespace sheet {

// A workbook written to a temporary file in a reports folder and placed
// there as BookN.xlsx when it is saved. Until then SIGINT, SIGTERM and SIGHUP
// remove the temporary file before they end the process.
class SheetWorkbook : public host::excel::Workbook {
 public:
  // A new workbook with one sheet, "Sheet1", in `folder` (made when missing),
  // its sheets ending at `last_row`.
  SheetWorkbook(const std::filesystem::path& folder, long last_row);
  // Removes the temporary file of a workbook that was not saved.
  ~SheetWorkbook() override;
  SheetWorkbook(const SheetWorkbook&) = delete;
  SheetWorkbook& operator=(const SheetWorkbook&) = delete;

  host::Ref<host::excel::Worksheet> Worksheets(const std::string& name) override;
  host::Ref<host::excel::Sheets> Worksheets() override;

  // Writes the workbook and places it in its folder; returns the placed
  // file's absolute path. Every later call on the workbook or its sheets
  // fails, Save included; on failure nothing is left in the folder.
  std::string Save();
  // Whether Save was called.
  bool saved() const { return saved_; }

 private:
  std::filesystem::path folder_;
  TemporaryReport temporary_;
  std::shared_ptr<XlsxBook> book_;
  bool saved_ = false;
};

}  // namespace sheet
