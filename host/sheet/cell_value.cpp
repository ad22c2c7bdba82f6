#include "host/sheet/cell_value.h"

namespace sheet {
namespace {

// Spreadsheet dates start in 1900 and end in 9999.
bool InCalendar(host::LocalTime time) {
  const std::chrono::year_month_day day{std::chrono::floor<std::chrono::days>(time)};
  return day.year() >= std::chrono::year{1900} && day.year() <= std::chrono::year{9999};
}

CellValue CellFromTime(host::LocalTime time) {
  const bool with_time = time != std::chrono::floor<std::chrono::days>(time);
  if (InCalendar(time)) return DateCell{time, with_time};
  std::string text = host::ToText(time);
  if (!with_time) text.resize(text.find(' '));
  return text;
}

}  // namespace

CellValue CellFromValue(const host::Value& value) {
  struct Visitor {
    CellValue operator()(host::Empty) const { return {}; }
    CellValue operator()(host::Null) const { return {}; }
    CellValue operator()(const std::string& text) const { return text; }
    CellValue operator()(std::int32_t number) const { return static_cast<double>(number); }
    CellValue operator()(bool flag) const { return flag; }
    CellValue operator()(double number) const { return number; }
    CellValue operator()(host::LocalTime time) const { return CellFromTime(time); }
  };
  return std::visit(Visitor{}, value);
}

}  // namespace sheet
