#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

// Reading written workbooks back for tests, with a reader of its own
// (read_workbook.py: Python's zip and XML modules), not with libxlsxwriter.
namespace sheet::testing {

class ReadBack {
 public:
  // Reads the .xlsx file at `path`; a file that cannot be read fails the
  // test and reads as a workbook without sheets.
  explicit ReadBack(const std::string& path);

  // The sheets' names in workbook order, and the one shown first.
  std::vector<std::string> SheetNames() const;
  std::string active() const;
  // The cell at `address` of `sheet` as an object with "type" ("text",
  // "number", "boolean", "date" or "blank"), "value" (a date as
  // "YYYY-MM-DD HH:MM:SS"), "bold", "align" ("center", "left", "right" or
  // null) and "format" (the number format or null); null when the sheet
  // has no such cell.
  nlohmann::json Cell(const std::string& sheet, const std::string& address) const;
  // Every cell written in `sheet`, by address, each as Cell yields it; and
  // their number.
  nlohmann::json Cells(const std::string& sheet) const;
  std::size_t CellCount(const std::string& sheet) const;
  // The width of `column` (from 1) of `sheet` in characters; -1 when not set.
  double Width(const std::string& sheet, long column) const;

 private:
  const nlohmann::json& Sheet(const std::string& name) const;

  nlohmann::json book_;
};

}  // namespace sheet::testing
