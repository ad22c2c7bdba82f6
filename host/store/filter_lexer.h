#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace store {

// The comparison operators of the filter language: = <> < > <= >=.
enum class FilterOp { kEq, kNe, kLt, kGt, kLe, kGe };

enum class FilterTokenKind {
  kEnd,       // the end of the text
  kProperty,  // [name]; `text` holds the name
  kString,    // 'text' or "text"; `text` holds it with doubled quotes made single
  kNumber,    // an integer; `number` holds it
  kOperator,  // `op` says which
  kAnd,
  kOr,
  kNot,
  kOpen,
  kClose,
  kWord,   // any other word of ASCII letters, digits and '_'
  kOther,  // any other single character
};

struct FilterToken {
  FilterTokenKind kind = FilterTokenKind::kEnd;
  std::size_t offset = 0;  // in bytes, into the filter text
  std::size_t length = 0;  // in bytes
  std::string text;
  std::int32_t number = 0;
  FilterOp op = FilterOp::kEq;
};

// Throws host::Error (kFilterError): `filter "<text>": <what> at character
// <n>[, <detail>]`, n counting characters (not bytes) from 1 up to `offset`.
[[noreturn]] void FailFilter(std::string_view text, std::size_t offset, std::string_view what,
                             std::string_view detail = {});

// Splits a filter text into tokens, one per call to Next, which yields kEnd
// once the text is used up. Throws like FailFilter on an unterminated string
// or property name, an empty property name and a number outside 32 bits.
// `text` must outlive the lexer.
class FilterLexer {
 public:
  explicit FilterLexer(std::string_view text) : text_(text) {}
  FilterToken Next();

 private:
  void Lex(FilterToken& token);
  void LexQuoted(FilterToken& token, char quote);
  void LexProperty(FilterToken& token);
  void LexNumber(FilterToken& token);
  void LexWord(FilterToken& token);
  bool LexOperator(FilterToken& token);

  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace store
