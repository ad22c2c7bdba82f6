#include "host/sheet/xlsx_book.h"

#include <cmath>
#include <filesystem>
#include <strings.h>

#include "host/sheet/cell_address.h"
#include "host/sheet/xlsx_error.h"

namespace sheet {
namespace {

constexpr long kColumns = LXW_COL_MAX;
constexpr double kWidestColumn = 255;
// The most characters a cell holds; longer text is cut there.
constexpr std::size_t kCellCharacters = 32767;

// `text` cut after `characters` UTF-8 characters.
std::string CutToCharacters(std::string text, std::size_t characters) {
  std::size_t count = 0;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const bool starts_character = (static_cast<unsigned char>(text[at]) & 0xC0) != 0x80;
    if (starts_character && ++count > characters) {
      text.resize(at);
      break;
    }
  }
  return text;
}

lxw_datetime DateTimeOf(host::LocalTime time) {
  const auto day = std::chrono::floor<std::chrono::days>(time);
  const std::chrono::year_month_day date{day};
  const std::chrono::hh_mm_ss clock{time - day};
  return {static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
          static_cast<int>(static_cast<unsigned>(date.day())),
          static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
          static_cast<double>(clock.seconds().count())};
}

int NumberFormatOf(const CellValue& value) {
  const auto* date = std::get_if<DateCell>(&value);
  if (!date) return 0;
  return date->with_time ? 2 : 1;
}

}  // namespace

XlsxBook::XlsxBook(const std::string& path, long last_row)
    : path_(path),
      temporary_folder_(std::filesystem::path(path).parent_path().string()),
      last_row_(last_row) {
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  // The rows wait in temporary files until the workbook is written; beside
  // the workbook they take disk space, where /tmp might take memory.
  options.tmpdir = temporary_folder_.data();
  workbook_ = workbook_new_opt(path_.c_str(), &options);
  if (!workbook_) throw SheetError("cannot start the workbook " + path_, "out of memory");
  try {
    AddSheet();
  } catch (...) {
    lxw_workbook_free(workbook_);
    throw;
  }
}

XlsxBook::~XlsxBook() {
  if (workbook_) lxw_workbook_free(workbook_);
}

lxw_workbook* XlsxBook::Open() const {
  if (!workbook_) throw SheetError("cannot change the workbook " + path_, "it is written and closed");
  return workbook_;
}

int XlsxBook::AddSheet() {
  const std::string name = "Sheet" + std::to_string(sheets_.size() + 1);
  lxw_worksheet* worksheet = workbook_add_worksheet(Open(), name.c_str());
  // In constant memory the library makes a temporary file for each sheet.
  if (!worksheet) throw SheetError("cannot add " + name + " to " + path_, "no temporary file");
  sheets_.push_back(Sheet{worksheet, name, 0, {}});
  return static_cast<int>(sheets_.size()) - 1;
}

int XlsxBook::FindSheet(const std::string& name) const {
  for (std::size_t i = 0; i < sheets_.size(); ++i) {
    if (strcasecmp(sheets_[i].name.c_str(), name.c_str()) == 0) return static_cast<int>(i);
  }
  return -1;
}

void XlsxBook::Activate(int sheet) {
  Open();
  worksheet_activate(sheets_.at(static_cast<std::size_t>(sheet)).worksheet);
}

void XlsxBook::CheckCell(long row, long column) const {
  if (row >= 1 && row <= last_row_ && column >= 1 && column <= kColumns) return;
  throw SheetError("no cell at row " + std::to_string(row) + ", column " + std::to_string(column),
                   "a sheet has rows 1 to " + std::to_string(last_row_) + " and columns 1 to " +
                       std::to_string(kColumns));
}

void XlsxBook::SetColumnWidth(int sheet, long column, double width) {
  Open();
  CheckCell(1, column);
  const Sheet& target = sheets_.at(static_cast<std::size_t>(sheet));
  std::string what = "cannot set the width of column ";
  what += std::to_string(column);
  what += " of ";
  what += target.name;
  if (!(width >= 0 && width <= kWidestColumn)) throw SheetError(what, "a width lies from 0 to 255");
  const auto index = static_cast<lxw_col_t>(column - 1);
  Check(worksheet_set_column(target.worksheet, index, index, width, nullptr), what);
}

CellStyle& XlsxBook::Style(int sheet, long row, long column) {
  return Touch(sheet, row, column).style;
}

void XlsxBook::SetValue(int sheet, long row, long column, CellValue value) {
  Cell& cell = Touch(sheet, row, column);
  if (const auto* number = std::get_if<double>(&value); number && !std::isfinite(*number)) {
    throw SheetError("cannot set " + CellName(row, column) + " of " +
                         sheets_[static_cast<std::size_t>(sheet)].name + " to " + std::to_string(*number),
                     "a cell holds only finite numbers");
  }
  cell.value = std::move(value);
}

XlsxBook::Cell& XlsxBook::Touch(int sheet, long row, long column) {
  Open();
  CheckCell(row, column);
  Sheet& target = sheets_.at(static_cast<std::size_t>(sheet));
  if (row < target.row) {
    throw SheetError("cannot set " + CellName(row, column) + " of " + target.name,
                     "row " + std::to_string(target.row) +
                         " was set after it and rows are written from the top down");
  }
  if (row > target.row) {
    WriteHeldRow(target);
    target.row = row;
  }
  return target.cells[column];
}

void XlsxBook::WriteHeldRow(Sheet& sheet) {
  for (const auto& [column, cell] : sheet.cells) WriteCell(sheet, sheet.row, column, cell);
  sheet.cells.clear();
}

void XlsxBook::WriteCell(const Sheet& sheet, long row, long column, const Cell& cell) {
  lxw_worksheet* worksheet = sheet.worksheet;
  const auto at_row = static_cast<lxw_row_t>(row - 1);
  const auto at_column = static_cast<lxw_col_t>(column - 1);
  lxw_format* format = FormatOf(cell);
  struct Writer {
    lxw_error operator()(std::monostate) const {
      return format ? worksheet_write_blank(worksheet, at_row, at_column, format) : LXW_NO_ERROR;
    }
    lxw_error operator()(const std::string& text) const {
      // A text of no more bytes than a cell's characters needs no cutting.
      if (text.size() <= kCellCharacters) {
        return worksheet_write_string(worksheet, at_row, at_column, text.c_str(), format);
      }
      return worksheet_write_string(worksheet, at_row, at_column,
                                    CutToCharacters(text, kCellCharacters).c_str(), format);
    }
    lxw_error operator()(double number) const {
      return worksheet_write_number(worksheet, at_row, at_column, number, format);
    }
    lxw_error operator()(bool flag) const {
      return worksheet_write_boolean(worksheet, at_row, at_column, flag ? 1 : 0, format);
    }
    lxw_error operator()(const DateCell& date) const {
      lxw_datetime when = DateTimeOf(date.time);
      return worksheet_write_datetime(worksheet, at_row, at_column, &when, format);
    }
    lxw_worksheet* worksheet;
    lxw_row_t at_row;
    lxw_col_t at_column;
    lxw_format* format;
  };
  const lxw_error result = std::visit(Writer{worksheet, at_row, at_column, format}, cell.value);
  // The cell is named only when it failed: this runs for every cell.
  if (result != LXW_NO_ERROR) Check(result, "cannot write " + CellName(row, column) + " of " + sheet.name);
}

lxw_format* XlsxBook::FormatOf(const Cell& cell) {
  const int number_format = NumberFormatOf(cell.value);
  const auto key = std::make_tuple(cell.style.bold, cell.style.alignment, number_format);
  if (key == std::make_tuple(false, static_cast<int>(LXW_ALIGN_NONE), 0)) return nullptr;
  lxw_format*& format = formats_[key];
  if (format) return format;
  format = workbook_add_format(workbook_);
  if (!format) throw SheetError("cannot add a cell format to " + path_, "out of memory");
  if (cell.style.bold) format_set_bold(format);
  if (cell.style.alignment != LXW_ALIGN_NONE) {
    format_set_align(format, static_cast<uint8_t>(cell.style.alignment));
  }
  if (number_format != 0) {
    format_set_num_format(format, number_format == 2 ? "yyyy-mm-dd hh:mm:ss" : "yyyy-mm-dd");
  }
  return format;
}

void XlsxBook::Close() {
  Open();
  for (Sheet& sheet : sheets_) WriteHeldRow(sheet);
  const lxw_error result = workbook_close(workbook_);
  workbook_ = nullptr;
  Check(result, "cannot write the workbook " + path_);
}

}  // namespace sheet
