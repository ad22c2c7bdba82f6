#pragma once

#include <optional>
#include <string>
#include <variant>

#include "host/ado.h"
#include "host/value.h"

namespace sheet {

// A time written into a cell: shown as a date (yyyy-mm-dd) or as a date and
// time (yyyy-mm-dd hh:mm:ss).
struct DateCell {
  host::LocalTime time;
  bool with_time = false;
  friend bool operator==(const DateCell&, const DateCell&) = default;
};

// What one cell holds: nothing, text, a number, a Boolean or a date.
using CellValue = std::variant<std::monostate, std::string, double, bool, DateCell>;

// The cell a value makes: empty and null clear the cell, integers are
// numbers, a time is a date cell with its time shown unless it is midnight.
CellValue CellFromValue(const host::Value& value);

// The cell a recordset field of `type` makes from its text (nothing for
// null): numbers ("-12", "3.25", "1e3") for the numeric types, dates
// ("YYYY-MM-DD", shown without time) and timestamps ("YYYY-MM-DD HH:MM:SS",
// a "T" or fractional seconds allowed, shown with time) from 1900 to 9999,
// Booleans ("1", "0", "true", "false", any number), and text. A field
// whose text its type cannot read stays text, so no value is lost.
CellValue CellFromField(host::ado::ColumnType type, const std::optional<std::string>& text);

}  // namespace sheet
