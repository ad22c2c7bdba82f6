#include "host/odbc/field_value.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace odbc {
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

host::Value IntegerOrDouble(double number) {
  if (number == std::trunc(number) && number >= std::numeric_limits<std::int32_t>::min() &&
      number <= std::numeric_limits<std::int32_t>::max()) {
    return static_cast<std::int32_t>(number);
  }
  return number;
}

bool AllDigits(const std::string& text, std::size_t from) {
  return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(),
                     [](char c) { return c >= '0' && c <= '9'; });
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
  if (!host::ParseLocalTime(whole, time)) return std::nullopt;
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

host::Value FieldValue(ColumnType type, const std::optional<std::string>& text) {
  if (!text) return host::Null{};
  switch (type) {
    case ColumnType::kInteger:
      if (const auto number = NumberOf(*text)) return IntegerOrDouble(*number);
      break;
    case ColumnType::kDecimal:
    case ColumnType::kReal:
      if (const auto number = NumberOf(*text)) return *number;
      break;
    case ColumnType::kDate:
    case ColumnType::kTimestamp:
      if (const auto time = TimeOf(*text)) return *time;
      break;
    case ColumnType::kBoolean:
      if (const auto flag = BooleanOf(*text)) return *flag;
      break;
    case ColumnType::kText:
      break;
  }
  return *text;
}

}  // namespace odbc
