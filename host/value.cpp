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
  int year = 0;
  unsigned month = 0, day = 0, hour = 0, minute = 0, second = 0;
  char separator = 0;
  int consumed = 0;
  if (std::sscanf(text.c_str(), "%4d-%2u-%2u%c%2u:%2u:%2u%n", &year, &month, &day, &separator, &hour,
                  &minute, &second, &consumed) != 7 ||
      consumed != static_cast<int>(text.size()) || (separator != ' ' && separator != 'T') ||
      hour > 23 || minute > 59 || second > 59) {
    return false;
  }
  const std::chrono::year_month_day date{std::chrono::year{year}, std::chrono::month{month},
                                         std::chrono::day{day}};
  if (!date.ok()) return false;
  time = std::chrono::local_days{date} + std::chrono::hours{hour} + std::chrono::minutes{minute} +
         std::chrono::seconds{second};
  return true;
}

}  // namespace host
