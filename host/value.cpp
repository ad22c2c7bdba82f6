#include "host/value.h"

#include <cstdio>
#include <sstream>

namespace host {
namespace {

std::string FormatTime(LocalTime time) {
  const auto day = std::chrono::floor<std::chrono::days>(time);
  const std::chrono::year_month_day date{day};
  const std::chrono::hh_mm_ss clock{time - day};
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u %02ld:%02ld:%02lld", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<long>(clock.hours().count()), static_cast<long>(clock.minutes().count()),
                static_cast<long long>(clock.seconds().count()));
  return text;
}

// Reads `count` decimal digits from `from` on; false when one is not a digit.
bool Digits(const std::string& text, std::size_t from, std::size_t count, unsigned& value) {
  value = 0;
  for (std::size_t i = from; i < from + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + static_cast<unsigned>(text[i] - '0');
  }
  return true;
}

std::string FormatDouble(double number) {
  std::ostringstream out;
  out.precision(15);
  out << number;
  return out.str();
}

}  // namespace

std::string ToText(const Value& value) {
  struct Visitor {
    std::string operator()(Empty) const { return ""; }
    std::string operator()(Null) const { return ""; }
    std::string operator()(const std::string& text) const { return text; }
    std::string operator()(std::int32_t number) const { return std::to_string(number); }
    std::string operator()(bool flag) const { return flag ? "True" : "False"; }
    std::string operator()(double number) const { return FormatDouble(number); }
    std::string operator()(LocalTime time) const { return FormatTime(time); }
  };
  return std::visit(Visitor{}, value);
}

bool ParseLocalTime(const std::string& text, LocalTime& time) {
  unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (text.size() != 19 || text[4] != '-' || text[7] != '-' || (text[10] != 'T' && text[10] != ' ') ||
      text[13] != ':' || text[16] != ':' || !Digits(text, 0, 4, year) || !Digits(text, 5, 2, month) ||
      !Digits(text, 8, 2, day) || !Digits(text, 11, 2, hour) || !Digits(text, 14, 2, minute) ||
      !Digits(text, 17, 2, second) || hour > 23 || minute > 59 || second > 59) {
    return false;
  }
  const std::chrono::year_month_day date{std::chrono::year{static_cast<int>(year)},
                                         std::chrono::month{month}, std::chrono::day{day}};
  if (!date.ok()) return false;
  time = std::chrono::local_days{date} + std::chrono::hours{hour} + std::chrono::minutes{minute} +
         std::chrono::seconds{second};
  return true;
}

}  // namespace host
