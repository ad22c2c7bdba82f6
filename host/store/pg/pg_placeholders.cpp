#include "host/store/pg/pg_placeholders.h"

#include <algorithm>
#include <cctype>

namespace store::pg {
namespace {

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// The end of the quoted run of text that starts at `start` with `quote`; a
// doubled quote stands for itself. An unterminated run ends with the text.
std::size_t QuotedEnd(std::string_view sql, std::size_t start, char quote) {
  std::size_t at = start + 1;
  while (at < sql.size()) {
    if (sql[at] != quote) {
      ++at;
    } else if (at + 1 < sql.size() && sql[at + 1] == quote) {
      at += 2;
    } else {
      return at + 1;
    }
  }
  return sql.size();
}

// The end of the part of `sql` at `start` that holds no parameters: a
// literal, a quoted name, a comment or a dollar-quoted string; `start`
// itself when none begins there.
std::size_t SkippedEnd(std::string_view sql, std::size_t start) {
  const char c = sql[start];
  if (c == '\'' || c == '"') return QuotedEnd(sql, start, c);
  if (sql.substr(start, 2) == "--") {
    const std::size_t line_end = sql.find('\n', start);
    return line_end == std::string_view::npos ? sql.size() : line_end;
  }
  if (sql.substr(start, 2) == "/*") {
    const std::size_t end = sql.find("*/", start + 2);
    return end == std::string_view::npos ? sql.size() : end + 2;
  }
  if (c == '$' && start + 1 < sql.size() && !IsDigit(sql[start + 1])) {
    const std::size_t tag_end = sql.find('$', start + 1);
    if (tag_end == std::string_view::npos) return start;
    const std::string_view tag = sql.substr(start, tag_end - start + 1);
    const bool is_tag = std::all_of(tag.begin() + 1, tag.end() - 1, [](char t) {
      return std::isalnum(static_cast<unsigned char>(t)) != 0 || t == '_';
    });
    if (!is_tag) return start;
    const std::size_t end = sql.find(tag, tag_end + 1);
    return end == std::string_view::npos ? sql.size() : end + tag.size();
  }
  return start;
}

}  // namespace

Translated TranslatePlaceholders(std::string_view sql) {
  Translated result;
  result.sql.reserve(sql.size() + 8);
  std::size_t at = 0;
  while (at < sql.size()) {
    const std::size_t skipped = SkippedEnd(sql, at);
    if (skipped != at) {
      result.sql.append(sql.substr(at, skipped - at));
      at = skipped;
      continue;
    }
    if (sql[at] != '?') {
      result.sql += sql[at++];
      continue;
    }
    std::size_t digits = at + 1;
    while (digits < sql.size() && IsDigit(sql[digits])) ++digits;
    const int number = digits > at + 1 ? std::stoi(std::string(sql.substr(at + 1, digits - at - 1)))
                                       : result.parameters + 1;
    result.parameters = std::max(result.parameters, number);
    result.sql += '$' + std::to_string(number);
    at = digits;
  }
  return result;
}

}  // namespace store::pg
