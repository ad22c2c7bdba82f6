#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <iterator>
#include <vector>

namespace storetool {

// A place in an input text: 1-based line and column (columns count
// characters, not bytes) and the 0-based byte offset.
struct Position {
  long line = 1;
  long column = 1;
  std::size_t offset = 0;
};

// A JSON text read from a stream in fixed-size blocks, one byte at a time,
// for the JSON parser. A UTF-8 byte-order mark at the start is skipped. It
// keeps the places that error messages point at: where tokens, escapes and
// multi-byte characters began, and the last bytes read.
class JsonInput {
 public:
  explicit JsonInput(std::istream& in);
  JsonInput(const JsonInput&) = delete;
  JsonInput& operator=(const JsonInput&) = delete;

  // An input iterator over the bytes; the default-constructed one is the end.
  class Iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = char;

    Iterator() = default;
    explicit Iterator(JsonInput* input) : input_(input) {}
    char operator*() const { return static_cast<char>(input_->Peek()); }
    Iterator& operator++() {
      input_->Advance();
      return *this;
    }
    bool operator==(const Iterator& other) const { return AtEnd() == other.AtEnd(); }
    bool operator!=(const Iterator& other) const { return !(*this == other); }

   private:
    bool AtEnd() const { return input_ == nullptr || input_->AtEnd(); }
    JsonInput* input_ = nullptr;
  };

  Iterator begin() { return Iterator(this); }
  Iterator end() { return Iterator(); }

  // Where the next byte is; after the last byte, the end of the input.
  const Position& here() const { return here_; }
  // The byte the parser looked at last: the end of the input once it looked past it.
  Position LastLookedAt() const { return at_end_ ? here_ : last_; }
  // The last byte of a malformed number: the byte before the one that ended it.
  Position NumberEnd() const { return at_end_ ? last_ : before_last_; }
  // Where the token the parser read last begins.
  const Position& token_start() const { return token_start_; }
  // Where the last number or literal (or stray word) begins. The parser
  // reads one byte past a number, which may begin the next token, so a
  // number's place is this one.
  const Position& bare_start() const { return bare_start_; }
  // True when the last number follows a leading 0 directly ("01"); the 0
  // then begins at zero_start().
  bool AfterLeadingZero() const { return bare_start_.offset == split_offset_; }
  const Position& zero_start() const { return zero_start_; }
  // Where the last backslash escape in a string begins.
  const Position& escape_start() const { return escape_start_; }
  // Where the last character of more than one byte (or stray byte) begins.
  const Position& sequence_start() const { return sequence_start_; }

 private:
  enum class State { kBetween, kString, kEscape, kBare };

  int Peek();
  bool AtEnd();
  void Advance();
  void Track(unsigned char c);
  void StartToken();
  void StartBare(unsigned char c);

  std::istream& in_;
  std::vector<char> buffer_;
  std::size_t buffer_pos_ = 0;
  std::size_t buffer_end_ = 0;
  bool started_ = false;
  bool at_end_ = false;
  Position here_, last_, before_last_;
  State state_ = State::kBetween;
  Position token_start_, bare_start_;
  int bare_length_ = 0;          // bytes of the current number or literal so far
  bool bare_is_zero_ = false;    // they are "0" or "-0"
  bool bare_minus_ = false;      // they are "-"
  std::size_t split_offset_ = SIZE_MAX;
  Position zero_start_, escape_start_, sequence_start_;
  int continuations_ = 0;        // continuation bytes still due in a UTF-8 sequence
};

}  // namespace storetool
