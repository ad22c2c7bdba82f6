#pragma once

#include <string>

#include "host/ado.h"
#include "host/ref.h"
#include "host/value.h"

namespace host::excel {

// The error number of a spreadsheet call that fails: a cell out of the sheet,
// a value it cannot take, a workbook that cannot be written.
inline constexpr long kSheetFailure = 1004;

// Horizontal alignments of a cell, by their codes.
inline constexpr int kAlignGeneral = 1;
inline constexpr int kAlignCenter = -4108;
inline constexpr int kAlignLeft = -4131;
inline constexpr int kAlignRight = -4152;

// The font of one cell.
class Font {
 public:
  virtual ~Font() = default;
  virtual void SetBold(bool bold) = 0;
};

// One cell of a worksheet. Every failing call throws host::Error
// (kSheetFailure), also for a cell of a row that lies above rows already
// written: a sheet is written from the top down, each row once its cells
// are set, and rows above the last one touched cannot change any more.
class Range {
 public:
  virtual ~Range() = default;

  // The width of the cell's whole column, in characters (0 to 255).
  virtual void SetColumnWidth(double width) = 0;
  // kAlignGeneral, kAlignCenter, kAlignLeft or kAlignRight; any other code fails.
  virtual void SetHorizontalAlignment(int alignment) = 0;
  virtual Ref<excel::Font> Font() = 0;

  // The cell's value, keeping its type: text stays text whatever it holds,
  // numbers and Booleans are numbers and Booleans, a time is a date cell
  // shown as yyyy-mm-dd at midnight and yyyy-mm-dd hh:mm:ss otherwise,
  // empty and null clear the cell.
  virtual void SetValue(const Value& value) = 0;

  // Copies the rows of `recordset` from its current row on into the sheet,
  // the first at this cell, one column per field, each cell typed by its
  // field's type (dates and times as dated cells, null as an empty cell).
  // Stops at the recordset's end or at the sheet's last row, and leaves the
  // recordset on the first row not copied. Yields the number of rows copied.
  virtual long CopyFromRecordset(Ref<ado::Recordset> recordset) = 0;
};

// One sheet of a workbook.
class Worksheet {
 public:
  virtual ~Worksheet() = default;

  // Makes this the sheet shown when the workbook opens.
  virtual void Activate() = 0;
  // The cell at `row` and `column`, both from 1. Fails (kSheetFailure) outside the sheet.
  virtual Ref<excel::Range> Cells(long row, long column) = 0;
  // The cell at an A1 address ("B7", "$B$7"). Fails (kSheetFailure) for
  // another address or one outside the sheet.
  virtual Ref<excel::Range> Range(const std::string& address) = 0;
  // How many rows the sheet holds (1,048,576).
  virtual long RowsCount() = 0;
};

// The sheets of a workbook.
class Sheets {
 public:
  virtual ~Sheets() = default;
  // Appends a new empty sheet, named "Sheet2", "Sheet3", ... after the sheets
  // made before it, and makes it the active sheet.
  virtual Ref<Worksheet> Add() = 0;
};

// A workbook.
class Workbook {
 public:
  virtual ~Workbook() = default;
  // The sheet named `name` (letter case aside); throws error 9
  // (kSubscriptOutOfRange) when there is none.
  virtual Ref<Worksheet> Worksheets(const std::string& name) = 0;
  virtual Ref<Sheets> Worksheets() = 0;
};

// The workbooks of the application.
class Workbooks {
 public:
  virtual ~Workbooks() = default;
  // A new workbook holding one empty sheet, "Sheet1"; it becomes the active one.
  virtual Ref<Workbook> Add() = 0;
};

// The spreadsheet application.
class Application {
 public:
  virtual ~Application() = default;

  virtual Ref<excel::Workbooks> Workbooks() = 0;
  // Whether the application shows itself to the user.
  virtual void SetVisible(bool visible) = 0;
  virtual bool Visible() = 0;
  // The workbook added last; nothing when none was added.
  virtual Ref<Workbook> ActiveWorkbook() = 0;
  // The application's version, "16.0" for the current one.
  virtual std::string Version() = 0;
};

}  // namespace host::excel
