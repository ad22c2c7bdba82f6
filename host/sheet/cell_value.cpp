#include "host/sheet/cell_value.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

namespace sheet {
namespace {

using host::ado::ColumnType;

// The whole text as a finite number; nothing when it is not one.
std::optional<double> NumberOf(const std::string& text) {
  double number = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, number);
  if (text.empty() || error != std::errc() || stop != end || !std::isfinite(number)) {
    return std::nullopt;
  }
  return number;
}

bool AllDigits(const std::string& text, std::size_t from) {
  return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(),
                     [](char c) { return c >= '0' && c <= '9'; });
}

// A date cells can show: Excel's calendar starts in 1900.
bool InCalendar(host::LocalTime time) {
  const std::chrono::year_month_day day{std::chrono::floor<std::chrono::days>(time)};
  return day.year() >= std::chrono::year{1900} && day.year() <= std::chrono::year{9999};
}

// "YYYY-MM-DD", or "YYYY-MM-DD HH:MM:SS" with a "T" or fractional seconds allowed.
std::optional<host::LocalTime> TimeOf(const std::string& text) {
  std::string whole = text;
  if (whole.size() == 10) {
    whole += " 00:00:00";
  } else if (whole.size() > 20 && whole[19] == '.' && AllDigits(whole, 20)) {
    whole.resize(19);
  }
  host::LocalTime time;
  if (!host::ParseLocalTime(whole, time) || !InCalendar(time)) return std::nullopt;
  return time;
}

std::optional<bool> BooleanOf(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (text == "true") return true;
  if (text == "false") return false;
  if (const auto number = NumberOf(text)) return *number != 0;
  return std::nullopt;
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
    CellValue operator()(host::LocalTime time) const {
      return DateCell{time, time != std::chrono::floor<std::chrono::days>(time)};
    }
  };
  return std::visit(Visitor{}, value);
}

CellValue CellFromField(ColumnType type, const std::optional<std::string>& text) {
  if (!text) return {};
  switch (type) {
    case ColumnType::kInteger:
    case ColumnType::kDecimal:
    case ColumnType::kReal:
      if (const auto number = NumberOf(*text)) return *number;
      break;
    case ColumnType::kDate:
    case ColumnType::kTimestamp:
      if (const auto time = TimeOf(*text)) return DateCell{*time, type == ColumnType::kTimestamp};
      break;
    case ColumnType::kBoolean:
      if (const auto flag = BooleanOf(*text)) return *flag;
      break;
    case ColumnType::kText:
      break;
  }
  return *text;
}

}  // namespace sheet
