#pragma once

#include <string>
#include <variant>

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
// numbers, a time from 1900 to 9999 is a date cell with its time shown
// unless it is midnight; a time outside that calendar, which no date cell
// can hold, is its text ("YYYY-MM-DD", with " HH:MM:SS" unless midnight).
CellValue CellFromValue(const host::Value& value);

}  // namespace sheet
