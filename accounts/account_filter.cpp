#include "accounts/account_filter.h"

#include <charconv>

namespace accounts {

std::string QuoteLiteral(const std::string& value) {
  std::string literal = "'";
  for (const char c : value) {
    literal += c;
    if (c == '\'') literal += '\'';
  }
  return literal + "'";
}

std::string AccountIdFilter(const std::string& key) { return "[AccountID] = " + QuoteLiteral(key); }

bool IsVersion11OrLater(const std::string& version) {
  std::string_view head = std::string_view(version).substr(0, 2);
  while (!head.empty() && head.front() == ' ') head.remove_prefix(1);
  if (head.size() == 2 && head.back() == '.') head.remove_suffix(1);  // "9." reads as 9
  int major = 0;
  const auto [end, error] = std::from_chars(head.data(), head.data() + head.size(), major);
  if (head.empty() || error != std::errc() || end != head.data() + head.size()) return true;
  return major >= 11;
}

}  // namespace accounts
