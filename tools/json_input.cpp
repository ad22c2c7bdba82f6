#include "tools/json_input.h"

namespace storetool {
namespace {

constexpr std::size_t kBufferSize = 1 << 16;
constexpr int kEof = -1;

bool IsSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool IsStructural(unsigned char c) {
  return c == '{' || c == '}' || c == '[' || c == ']' || c == ':' || c == ',';
}

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

}  // namespace

JsonInput::JsonInput(std::istream& in) : in_(in), buffer_(kBufferSize) {}

int JsonInput::Peek() {
  if (buffer_pos_ == buffer_end_) {
    in_.read(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    buffer_end_ = static_cast<std::size_t>(in_.gcount());
    buffer_pos_ = 0;
    // A byte-order mark is no part of the text: the parser never sees it.
    if (!started_ && buffer_end_ >= 3 && buffer_[0] == '\xEF' && buffer_[1] == '\xBB' && buffer_[2] == '\xBF') {
      buffer_pos_ = 3;
    }
    started_ = true;
    if (buffer_pos_ == buffer_end_) buffer_end_ = buffer_pos_ = 0;
    if (buffer_end_ == 0) return kEof;
  }
  return static_cast<unsigned char>(buffer_[buffer_pos_]);
}

bool JsonInput::AtEnd() {
  if (Peek() != kEof) return false;
  at_end_ = true;
  return true;
}

void JsonInput::Advance() {
  const auto c = static_cast<unsigned char>(buffer_[buffer_pos_++]);
  before_last_ = last_;
  last_ = here_;
  ++here_.offset;
  if (c == '\n') {
    ++here_.line;
    here_.column = 1;
  } else if ((c & 0xC0) != 0x80) {
    ++here_.column;
  }
  Track(c);
}

void JsonInput::StartToken() { token_start_ = last_; }

void JsonInput::Track(unsigned char c) {
  if (c >= 0x80) {
    if (c >= 0xC0 || continuations_ == 0) {
      sequence_start_ = last_;
      continuations_ = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    } else {
      --continuations_;
    }
  } else {
    continuations_ = 0;
  }
  switch (state_) {
    case State::kString:
      if (c == '\\') {
        escape_start_ = last_;
        state_ = State::kEscape;
      } else if (c == '"') {
        state_ = State::kBetween;
      }
      return;
    case State::kEscape:
      state_ = State::kString;
      return;
    case State::kBare:
      if (!IsSpace(c) && !IsStructural(c) && c != '"') {
        // "01" is two numbers to the parser: the 1 begins a token of its own.
        if (bare_is_zero_ && IsDigit(c)) {
          zero_start_ = bare_start_;
          StartToken();
          split_offset_ = last_.offset;
          StartBare(c);
          return;
        }
        bare_is_zero_ = bare_length_ == 1 && bare_minus_ && c == '0';
        bare_minus_ = false;
        ++bare_length_;
        return;
      }
      state_ = State::kBetween;
      break;
    case State::kBetween:
      break;
  }
  if (IsSpace(c)) return;
  StartToken();
  if (c == '"') {
    state_ = State::kString;
  } else if (!IsStructural(c)) {
    state_ = State::kBare;
    StartBare(c);
  }
}

void JsonInput::StartBare(unsigned char c) {
  bare_start_ = last_;
  bare_length_ = 1;
  bare_is_zero_ = c == '0';
  bare_minus_ = c == '-';
}

}  // namespace storetool
