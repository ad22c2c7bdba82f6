#include "tools/json_reader.h"

#include <cctype>

#include "tools/json_writer.h"

namespace storetool {
namespace {

constexpr std::size_t kBufferSize = 1 << 16;
constexpr int kEof = -1;
// Deeper documents are refused so that readers may recurse safely.
constexpr std::size_t kMaxDepth = 256;

// Where the frame stands between tokens.
enum State { kFirst = 0, kNeedKey, kAfterKey, kAfterValue };

bool IsIdentifier(const std::string& key) {
  if (key.empty() || std::isdigit(static_cast<unsigned char>(key[0]))) return false;
  for (const char c : key) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  }
  return true;
}

int HexDigit(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void AppendUtf8(std::string& out, unsigned code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace

std::string InputErrorText(const std::string& file, const Position& position,
                           const std::string& path, const std::string& what) {
  std::string text = file + ": line " + std::to_string(position.line) + ", column " +
                     std::to_string(position.column);
  if (!path.empty()) text += " (at " + path + ")";
  return text + ": " + what;
}

JsonReader::JsonReader(std::istream& in, std::string file)
    : in_(in), file_(std::move(file)), buffer_(kBufferSize) {}

int JsonReader::Peek() {
  if (buffer_pos_ == buffer_end_) {
    in_.read(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    buffer_end_ = static_cast<std::size_t>(in_.gcount());
    buffer_pos_ = 0;
    if (buffer_end_ == 0) return kEof;
  }
  return static_cast<unsigned char>(buffer_[buffer_pos_]);
}

int JsonReader::Get() {
  last_ = here_;
  const int c = Peek();
  if (c == kEof) return c;
  ++buffer_pos_;
  ++here_.offset;
  if (c == '\n') {
    ++here_.line;
    here_.column = 1;
  } else if ((c & 0xC0) != 0x80) {
    ++here_.column;
  }
  return c;
}

void JsonReader::SkipSpace() {
  for (int c = Peek(); c == ' ' || c == '\t' || c == '\n' || c == '\r'; c = Peek()) Get();
}

JsonReader::Token JsonReader::Next() {
  token_ = ReadToken();
  return token_;
}

JsonReader::Token JsonReader::ReadToken() {
  if (finished_) return Token::kEnd;
  SkipSpace();
  start_ = here_;
  if (!started_) {
    started_ = true;
    return ReadValue(Get());
  }
  if (frames_.empty()) {
    if (Get() != kEof) SyntaxError("unexpected text after the end of the document");
    finished_ = true;
    return Token::kEnd;
  }
  return ReadInContainer();
}

JsonReader::Token JsonReader::ReadInContainer() {
  Frame& frame = frames_.back();
  const int c = Get();
  if (frame.state == kAfterKey) {
    if (c != ':') SyntaxError("expected ':' after the member name");
    SkipSpace();
    start_ = here_;
    frame.state = kAfterValue;
    return ReadValue(Get());
  }
  const char close = frame.object ? '}' : ']';
  if (c == close) return Close();
  if (frame.state == kAfterValue) {
    if (c != ',') SyntaxError(std::string("expected ',' or '") + close + "'");
    SkipSpace();
    start_ = here_;
    if (frame.object) {
      if (frame.has_member) path_.pop_back();
      frame.has_member = false;
      frame.state = kNeedKey;
      return ReadKey(Get());
    }
    EnterElement();
    return ReadValue(Get());
  }
  if (frame.object) return ReadKey(c);
  EnterElement();
  return ReadValue(c);
}

JsonReader::Token JsonReader::ReadKey(int c) {
  if (c != '"') {
    SyntaxError(frames_.back().state == kFirst ? "expected a member name or '}'"
                                               : "expected a member name");
  }
  ReadString();
  Frame& frame = frames_.back();
  if (frame.has_member) path_.pop_back();
  frame.has_member = false;
  if (!frame.keys.insert(text_).second) {
    Fail(start_, Join(path_.size()), "duplicate member " + Quote(text_));
  }
  path_.push_back(Segment{text_, -1});
  frame.has_member = true;
  frame.state = kAfterKey;
  return Token::kKey;
}

JsonReader::Token JsonReader::ReadValue(int c) {
  switch (c) {
    case '{':
    case '[':
      if (frames_.size() >= kMaxDepth) SyntaxError("nesting deeper than 256 levels");
      frames_.push_back(Frame{});
      frames_.back().object = c == '{';
      return c == '{' ? Token::kBeginObject : Token::kBeginArray;
    case '"':
      ReadString();
      return Token::kString;
    case 't':
      ReadLiteral("true");
      return Token::kTrue;
    case 'f':
      ReadLiteral("false");
      return Token::kFalse;
    case 'n':
      ReadLiteral("null");
      return Token::kNull;
    case kEof:
      SyntaxError("unexpected end of input");
    default:
      if (c != '-' && !std::isdigit(c)) SyntaxError("expected a value");
      ReadNumber(c);
      return Token::kNumber;
  }
}

void JsonReader::EnterElement() {
  Frame& frame = frames_.back();
  if (frame.has_member) {
    ++path_.back().index;
  } else {
    path_.push_back(Segment{"", 0});
    frame.has_member = true;
  }
  frame.state = kAfterValue;
}

JsonReader::Token JsonReader::Close() {
  const bool object = frames_.back().object;
  if (frames_.back().has_member) path_.pop_back();
  frames_.pop_back();
  return object ? Token::kEndObject : Token::kEndArray;
}

void JsonReader::ReadString() {
  text_.clear();
  for (;;) {
    const int c = Get();
    if (c == '"') return;
    if (c == kEof) SyntaxError("unterminated string");
    if (c == '\\') {
      ReadEscape();
    } else if (c < 0x20) {
      SyntaxError("control character in a string (write it as an escape)");
    } else if (c < 0x80) {
      text_ += static_cast<char>(c);
    } else {
      ReadUtf8(c);
    }
  }
}

void JsonReader::ReadUtf8(int lead) {
  const Position at = last_;
  int count = 0;
  int low = 0x80, high = 0xBF;  // the range of the first continuation byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    count = 1;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    count = 2;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    count = 3;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    Fail(at, Path(), "invalid UTF-8");
  }
  text_ += static_cast<char>(lead);
  for (int i = 0; i < count; ++i) {
    const int c = Peek();
    if (c == kEof || c < (i == 0 ? low : 0x80) || c > (i == 0 ? high : 0xBF)) {
      Fail(at, Path(), "invalid UTF-8");
    }
    text_ += static_cast<char>(Get());
  }
}

void JsonReader::ReadEscape() {
  const Position at = last_;
  const int c = Get();
  const std::string plain = "\"\\/bfnrt";
  const std::string meant = "\"\\/\b\f\n\r\t";
  if (const auto found = plain.find(static_cast<char>(c)); c != kEof && found != std::string::npos) {
    text_ += meant[found];
    return;
  }
  if (c != 'u') Fail(at, Path(), "invalid escape in a string");
  auto read_hex4 = [&] {
    unsigned code = 0;
    for (int i = 0; i < 4; ++i) {
      const int digit = HexDigit(Get());
      if (digit < 0) Fail(at, Path(), "expected four hexadecimal digits after \\u");
      code = code * 16 + static_cast<unsigned>(digit);
    }
    return code;
  };
  unsigned code = read_hex4();
  if (code >= 0xDC00 && code <= 0xDFFF) Fail(at, Path(), "unpaired surrogate in a \\u escape");
  if (code >= 0xD800 && code <= 0xDBFF) {
    if (Get() != '\\' || Get() != 'u') Fail(at, Path(), "unpaired surrogate in a \\u escape");
    const unsigned second = read_hex4();
    if (second < 0xDC00 || second > 0xDFFF) Fail(at, Path(), "unpaired surrogate in a \\u escape");
    code = 0x10000 + ((code - 0xD800) << 10) + (second - 0xDC00);
  }
  AppendUtf8(text_, code);
}

void JsonReader::ReadNumber(int first) {
  text_.assign(1, static_cast<char>(first));
  auto digits = [&] {
    std::size_t count = 0;
    for (; Peek() >= '0' && Peek() <= '9'; ++count) text_ += static_cast<char>(Get());
    return count;
  };
  if (first == '-') {
    if (Peek() < '0' || Peek() > '9') SyntaxError("expected a digit after '-'");
    first = Get();
    text_ += static_cast<char>(first);
  }
  if (first == '0' && Peek() >= '0' && Peek() <= '9') SyntaxError("a number cannot start with 0");
  digits();
  if (Peek() == '.') {
    text_ += static_cast<char>(Get());
    if (digits() == 0) SyntaxError("expected a digit after '.'");
  }
  if (Peek() == 'e' || Peek() == 'E') {
    text_ += static_cast<char>(Get());
    if (Peek() == '+' || Peek() == '-') text_ += static_cast<char>(Get());
    if (digits() == 0) SyntaxError("expected a digit in the exponent");
  }
}

void JsonReader::ReadLiteral(const char* word) {
  for (const char* rest = word + 1; *rest != '\0'; ++rest) {
    if (Get() != *rest) Fail(start_, Path(), "invalid JSON: expected a value");
  }
}

std::string JsonReader::Join(std::size_t count) const {
  std::string path;
  for (std::size_t i = 0; i < count; ++i) {
    const Segment& segment = path_[i];
    if (segment.index >= 0) {
      path.append("[").append(std::to_string(segment.index)).append("]");
    } else if (IsIdentifier(segment.key)) {
      path += (path.empty() ? "" : ".") + segment.key;
    } else {
      path.append("[").append(Quote(segment.key)).append("]");
    }
  }
  return path;
}

std::string JsonReader::Path() const { return Join(path_.size()); }

std::string JsonReader::OwnerPath() const { return Join(path_.empty() ? 0 : path_.size() - 1); }

void JsonReader::Fail(const Position& position, const std::string& path,
                      const std::string& what) const {
  throw InputError(InputErrorText(file_, position, path, what));
}

void JsonReader::FailHere(const std::string& what) const { Fail(start_, OwnerPath(), what); }

void JsonReader::SyntaxError(const std::string& what) const {
  Fail(last_, Path(), "invalid JSON: " + what);
}

}  // namespace storetool
