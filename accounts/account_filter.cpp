#include "accounts/account_filter.h"

#include <algorithm>

namespace accounts {
namespace {

constexpr long kLowest = -32768;
constexpr long kHighest = 32767;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool AllDigits(std::string_view text) { return std::all_of(text.begin(), text.end(), IsDigit); }

}  // namespace

std::string QuoteLiteral(const std::string& value) {
  std::string literal = "'";
  for (const char c : value) {
    literal += c;
    if (c == '\'') literal += '\'';
  }
  return literal + "'";
}

std::string AccountIdFilter(const std::string& key) { return "[AccountID] = " + QuoteLiteral(key); }

std::optional<int> BasicInteger(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  const std::size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction = point == std::string_view::npos ? "" : text.substr(point + 1);
  if ((whole.empty() && fraction.empty()) || !AllDigits(whole) || !AllDigits(fraction)) {
    return std::nullopt;
  }
  long magnitude = 0;
  for (const char digit : whole) {
    magnitude = magnitude * 10 + (digit - '0');
    if (magnitude > -kLowest) return std::nullopt;  // stops before a long text could overflow
  }
  if (!fraction.empty()) {
    const bool beyond_half = fraction.find_first_not_of('0', 1) != std::string_view::npos;
    const bool odd = magnitude % 2 == 1;
    if (fraction[0] > '5' || (fraction[0] == '5' && (beyond_half || odd))) ++magnitude;
  }
  const long value = negative ? -magnitude : magnitude;
  if (value < kLowest || value > kHighest) return std::nullopt;
  return static_cast<int>(value);
}

bool IsVersion11OrLater(const std::string& version) {
  const std::optional<int> major = BasicInteger(std::string_view(version).substr(0, 2));
  return !major || *major >= 11;
}

}  // namespace accounts
