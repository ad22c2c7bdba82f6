#include "host/store/filter_lexer.h"

#include <charconv>

#include "host/error.h"
#include "host/store/filter.h"

namespace store {
namespace {

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }
// How many continuation bytes follow a UTF-8 lead byte; 0 for any other.
int ContinuationBytes(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte >= 0xC2 && byte <= 0xDF) return 1;
  if (byte >= 0xE0 && byte <= 0xEF) return 2;
  if (byte >= 0xF0 && byte <= 0xF4) return 3;
  return 0;
}
bool IsWordStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsWordPart(char c) { return IsWordStart(c) || IsDigit(c); }
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

bool EqualsIgnoringCase(std::string_view word, std::string_view upper_keyword) {
  if (word.size() != upper_keyword.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    const char c = word[i] >= 'a' && word[i] <= 'z' ? static_cast<char>(word[i] - 'a' + 'A') : word[i];
    if (c != upper_keyword[i]) return false;
  }
  return true;
}

}  // namespace

void FailFilter(std::string_view text, std::size_t offset, std::string_view what,
                std::string_view detail) {
  // Counted in characters, so that a text with accented letters points at
  // what its author sees.
  std::size_t position = 1;
  for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
    if (!IsContinuationByte(text[i])) ++position;
  }
  std::string message = "filter \"" + std::string(text) + "\": " + std::string(what) + " at character " +
                        std::to_string(position);
  if (!detail.empty()) message += ", " + std::string(detail);
  throw host::Error(kFilterError, message);
}

FilterToken FilterLexer::Next() {
  while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
  FilterToken token;
  token.offset = pos_;
  if (pos_ < text_.size()) Lex(token);
  token.length = pos_ - token.offset;
  return token;
}

void FilterLexer::Lex(FilterToken& token) {
  const char c = text_[pos_];
  if (c == '\'' || c == '"') return LexQuoted(token, c);
  if (c == '[') return LexProperty(token);
  if (c == '-' || IsDigit(c)) return LexNumber(token);
  if (IsWordStart(c)) return LexWord(token);
  if (LexOperator(token)) return;
  token.kind = c == '('   ? FilterTokenKind::kOpen
               : c == ')' ? FilterTokenKind::kClose
                          : FilterTokenKind::kOther;
  // One character, even when it takes several bytes, for the message; any
  // byte that is not part of it is a token of its own.
  const int continuation = ContinuationBytes(c);
  ++pos_;
  for (int i = 0; i < continuation && pos_ < text_.size() && IsContinuationByte(text_[pos_]); ++i) ++pos_;
}

void FilterLexer::LexQuoted(FilterToken& token, char quote) {
  token.kind = FilterTokenKind::kString;
  for (++pos_;; ++pos_) {
    if (pos_ >= text_.size()) FailFilter(text_, token.offset, "unterminated string starting");
    if (text_[pos_] != quote) {
      token.text += text_[pos_];
    } else if (pos_ + 1 < text_.size() && text_[pos_ + 1] == quote) {
      token.text += quote;
      ++pos_;
    } else {
      ++pos_;
      return;
    }
  }
}

void FilterLexer::LexProperty(FilterToken& token) {
  const std::size_t close = text_.find(']', pos_);
  if (close == std::string_view::npos) {
    FailFilter(text_, pos_, "unterminated property name starting", "expected ']'");
  }
  if (close == pos_ + 1) FailFilter(text_, pos_, "empty property name");
  token.kind = FilterTokenKind::kProperty;
  token.text = std::string(text_.substr(pos_ + 1, close - pos_ - 1));
  pos_ = close + 1;
}

void FilterLexer::LexNumber(FilterToken& token) {
  std::size_t end = pos_ + (text_[pos_] == '-' ? 1 : 0);
  if (end >= text_.size() || !IsDigit(text_[end])) FailFilter(text_, pos_, "expected digits after '-'");
  while (end < text_.size() && IsDigit(text_[end])) ++end;
  const auto [last, error] = std::from_chars(text_.data() + pos_, text_.data() + end, token.number);
  if (error != std::errc() || last != text_.data() + end) {
    FailFilter(text_, pos_, "number out of range", "expected -2147483648 to 2147483647");
  }
  token.kind = FilterTokenKind::kNumber;
  pos_ = end;
}

void FilterLexer::LexWord(FilterToken& token) {
  const std::size_t start = pos_;
  while (pos_ < text_.size() && IsWordPart(text_[pos_])) ++pos_;
  const std::string_view word = text_.substr(start, pos_ - start);
  token.kind = EqualsIgnoringCase(word, "AND")   ? FilterTokenKind::kAnd
               : EqualsIgnoringCase(word, "OR")  ? FilterTokenKind::kOr
               : EqualsIgnoringCase(word, "NOT") ? FilterTokenKind::kNot
                                                 : FilterTokenKind::kWord;
}

bool FilterLexer::LexOperator(FilterToken& token) {
  // Two-character operators first, so that "<=" is not read as "<".
  static constexpr struct {
    std::string_view text;
    FilterOp op;
  } kOperators[] = {{"<>", FilterOp::kNe}, {"<=", FilterOp::kLe}, {">=", FilterOp::kGe},
                    {"=", FilterOp::kEq},  {"<", FilterOp::kLt},  {">", FilterOp::kGt}};
  for (const auto& candidate : kOperators) {
    if (text_.substr(pos_, candidate.text.size()) == candidate.text) {
      token.kind = FilterTokenKind::kOperator;
      token.op = candidate.op;
      pos_ += candidate.text.size();
      return true;
    }
  }
  return false;
}

}  // namespace store
