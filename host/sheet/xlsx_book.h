#pragma once

#include <xlsxwriter.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "host/sheet/cell_value.h"

namespace sheet {

// How a cell looks besides its number format: bold or not, and
// libxlsxwriter's horizontal alignment (LXW_ALIGN_NONE for general).
struct CellStyle {
  bool bold = false;
  int alignment = LXW_ALIGN_NONE;
};

// One workbook written by libxlsxwriter to one file, in constant memory:
// each sheet keeps only the cells of the row last touched and hands a row
// to the library, which writes it out, once a later row is touched. So
// cells are set row by row from the top; a cell of a row above the one
// being set fails. Every failure throws host::Error (kSheetFailure) naming
// the cell, sheet or file; the library's failure to take a row shows at the
// call that touches a later row, or at Close. Sheets are numbered from 0; rows and columns
// from 1.
class XlsxBook {
 public:
  // A workbook to be written to `path`, holding one sheet "Sheet1", whose
  // sheets take rows up to `last_row` (at most 1,048,576). The rows wait in
  // unnamed temporary files in the folder of `path`.
  XlsxBook(const std::string& path, long last_row);
  // Lets go of the workbook; when it was not closed, nothing is written.
  ~XlsxBook();
  XlsxBook(const XlsxBook&) = delete;
  XlsxBook& operator=(const XlsxBook&) = delete;

  // Appends the sheet "SheetN" (N one more than the number of sheets) and
  // returns its number.
  int AddSheet();
  // The number of the sheet named `name`, letter case aside; -1 when none.
  int FindSheet(const std::string& name) const;
  // Makes the sheet the one shown when the workbook opens.
  void Activate(int sheet);

  long last_row() const { return last_row_; }
  // Fails unless `row` and `column` lie in the sheets.
  void CheckCell(long row, long column) const;

  // The width of a whole column, in characters.
  void SetColumnWidth(int sheet, long column, double width);
  // The style of one cell, to change in place, and its value; setting one
  // keeps the other.
  CellStyle& Style(int sheet, long row, long column);
  void SetValue(int sheet, long row, long column, CellValue value);

  // Writes the file: its cells still held, then the whole workbook. Every
  // call after it fails, Close included.
  void Close();

 private:
  struct Cell {
    CellValue value;
    CellStyle style;
  };
  struct Sheet {
    lxw_worksheet* worksheet;
    std::string name;
    long row = 0;  // the row whose cells are held; 0 before the first
    std::map<long, Cell> cells;
  };

  lxw_workbook* Open() const;
  // The held cell at `row` and `column` of `sheet`; the cells of an earlier row are
  // written out first.
  Cell& Touch(int sheet, long row, long column);
  void WriteHeldRow(Sheet& sheet);
  void WriteCell(const Sheet& sheet, long row, long column, const Cell& cell);
  lxw_format* FormatOf(const Cell& cell);

  std::string path_;
  std::string temporary_folder_;  // the rows' temporary files go here
  long last_row_;
  lxw_workbook* workbook_;
  std::vector<Sheet> sheets_;
  // Formats by boldness, alignment and number format (0 none, 1 date, 2 date and time).
  std::map<std::tuple<bool, int, int>, lxw_format*> formats_;
};

}  // namespace sheet
