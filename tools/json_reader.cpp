#include "tools/json_reader.h"

#include <cctype>
#include <limits>
#include <nlohmann/json.hpp>

namespace storetool {
namespace {

using nlohmann::json;

bool IsIdentifier(const std::string& key) {
  if (key.empty() || std::isdigit(static_cast<unsigned char>(key[0]))) return false;
  for (const char c : key) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  }
  return true;
}

std::optional<std::int32_t> Int32(std::int64_t number) {
  if (number < std::numeric_limits<std::int32_t>::min() || number > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(number);
}

JsonValue Of(JsonKind kind) {
  JsonValue value;
  value.kind = kind;
  return value;
}

// Where a fault the JSON parser reports is shown.
enum class Place { kLookedAt, kEscape, kSequence, kNumberEnd };

// The parser's words for faults inside one token, and ours. Faults in no
// entry (a misspelt literal, a stray character) read "expected a value".
struct TokenFault {
  const char* parser_text;
  Place place;
  const char* what;
};

constexpr TokenFault kTokenFaults[] = {
    {"invalid string: missing closing quote", Place::kLookedAt, "invalid JSON: unterminated string"},
    {"invalid string: control character", Place::kLookedAt,
     "invalid JSON: control character in a string (write it as an escape)"},
    {"invalid string: forbidden character after backslash", Place::kEscape, "invalid escape in a string"},
    {"invalid string: '\\u' must be followed by 4 hex digits", Place::kEscape,
     "expected four hexadecimal digits after \\u"},
    {"invalid string: surrogate", Place::kEscape, "unpaired surrogate in a \\u escape"},
    {"invalid string: ill-formed UTF-8 byte", Place::kSequence, "invalid UTF-8"},
    {"invalid BOM", Place::kSequence, "invalid UTF-8"},
    {"invalid number; expected digit after '-'", Place::kNumberEnd, "invalid JSON: expected a digit after '-'"},
    {"invalid number; expected digit after '.'", Place::kNumberEnd, "invalid JSON: expected a digit after '.'"},
    // The parser's other number faults are all in the exponent.
    {"invalid number", Place::kNumberEnd, "invalid JSON: expected a digit in the exponent"},
};

const TokenFault* FindTokenFault(const std::string& parser_text) {
  if (parser_text.empty()) return nullptr;
  for (const TokenFault& fault : kTokenFaults) {
    if (parser_text.starts_with(fault.parser_text)) return &fault;
  }
  return nullptr;
}

// A parser failure as its message tells it: "... syntax error while parsing
// CONTEXT - unexpected TOKEN; expected ..." or, for a fault inside a token,
// "... - LEXER TEXT; last read: '...'".
struct ParserFault {
  std::string context;      // "syntax error while parsing object key", ...
  std::string token_fault;  // the lexer's text; empty when a whole token was unexpected
  bool overflow = false;    // a number too large for a double
  bool number = false;      // the token at fault is a number
  bool bare = false;        // ... or a number or a misspelt literal
  bool at_end = false;      // the input ended where a token was due
};

ParserFault ClassifyFault(const std::string& message) {
  ParserFault fault;
  const std::size_t syntax = message.find("syntax error");
  const std::size_t dash = syntax == std::string::npos ? std::string::npos : message.find(" - ", syntax);
  const std::size_t detail = dash == std::string::npos ? message.size() : dash + 3;
  if (dash != std::string::npos) fault.context = message.substr(syntax, dash - syntax);
  if (const std::size_t last_read = message.find("; last read: ", detail); last_read != std::string::npos) {
    fault.token_fault = message.substr(detail, last_read - detail);
  }
  fault.overflow = message.find("number overflow") != std::string::npos;
  fault.number = fault.overflow || message.find("unexpected number literal", detail) != std::string::npos;
  fault.bare = fault.number || fault.token_fault.starts_with("invalid literal");
  fault.at_end = fault.token_fault.empty() && message.find("unexpected end of input", detail) != std::string::npos;
  return fault;
}

}  // namespace

// Turns nlohmann-json's parser events into the reader's. The library's
// event interface fixes the member names.
// NOLINTBEGIN(readability-identifier-naming)
class JsonEvents {
 public:
  explicit JsonEvents(JsonReader& reader) : reader_(reader) {}

  bool null() { return Begin(JsonValue{}); }
  bool boolean(bool flag) {
    JsonValue value = Of(JsonKind::kBoolean);
    value.boolean = flag;
    return Begin(value);
  }
  bool number_integer(json::number_integer_t number) {
    JsonValue value = Of(JsonKind::kInteger);
    value.int32 = Int32(number);
    return Begin(value, true);
  }
  bool number_unsigned(json::number_unsigned_t number) {
    JsonValue value = Of(JsonKind::kInteger);
    if (number <= static_cast<json::number_unsigned_t>(std::numeric_limits<std::int32_t>::max())) {
      value.int32 = static_cast<std::int32_t>(number);
    }
    return Begin(value, true);
  }
  bool number_float(json::number_float_t /*number*/, const json::string_t& /*literal*/) {
    return Begin(Of(JsonKind::kNumber), true);
  }
  bool string(json::string_t& text) {
    JsonValue value = Of(JsonKind::kString);
    value.text = std::move(text);
    return Begin(value);
  }
  bool binary(json::binary_t& /*bytes*/) { return true; }  // JSON text holds none
  bool start_object(std::size_t /*size*/) { return Begin(Of(JsonKind::kObject)); }
  bool start_array(std::size_t /*size*/) { return Begin(Of(JsonKind::kArray)); }
  bool key(json::string_t& name) {
    reader_.BeginKey(name);
    return true;
  }
  bool end_object() {
    reader_.EndContainer();
    return true;
  }
  bool end_array() {
    reader_.EndContainer();
    return true;
  }
  bool parse_error(std::size_t /*offset*/, const std::string& /*token*/, const nlohmann::detail::exception& error) {
    reader_.FailSyntax(error.what());
  }

 private:
  bool Begin(const JsonValue& value, bool number = false) {
    reader_.BeginValue(value, number);
    return true;
  }

  JsonReader& reader_;
};
// NOLINTEND(readability-identifier-naming)

std::string InputErrorText(const std::string& file, const Position& position, const std::string& path,
                           const std::string& what) {
  std::string text = file + ": line " + std::to_string(position.line) + ", column " + std::to_string(position.column);
  if (!path.empty()) text += " (at " + path + ")";
  return text + ": " + what;
}

std::string Quote(std::string_view text) {
  return json(std::string(text)).dump(-1, ' ', false, json::error_handler_t::replace);
}

JsonReader::JsonReader(std::istream& in, std::string file) : input_(in), file_(std::move(file)) {}

void JsonReader::Read(JsonHandler& handler) {
  handler_ = &handler;
  JsonEvents events(*this);
  json::sax_parse(input_.begin(), input_.end(), &events);
}

void JsonReader::BeginValue(const JsonValue& value, bool number) {
  position_ = number ? input_.bare_start() : input_.token_start();
  if (!frames_.empty() && !frames_.back().object) {
    if (frames_.back().has_segment) {
      ++path_.back().index;
    } else {
      path_.push_back(Segment{"", 0});
      frames_.back().has_segment = true;
    }
  }
  handler_->Value(value);
  if (value.kind == JsonKind::kObject || value.kind == JsonKind::kArray) {
    frames_.push_back(Frame{value.kind == JsonKind::kObject, false, {}});
  } else if (frames_.empty()) {
    ended_ = true;
  }
}

void JsonReader::BeginKey(std::string& name) {
  position_ = input_.token_start();
  Frame& frame = frames_.back();
  if (frame.has_segment) path_.pop_back();
  frame.has_segment = false;
  if (!frame.keys.insert(name).second) Fail(position_, Path(), "duplicate member " + Quote(name));
  path_.push_back(Segment{name, -1});
  frame.has_segment = true;
  handler_->Key(name);
}

void JsonReader::EndContainer() {
  if (frames_.back().has_segment) path_.pop_back();
  frames_.pop_back();
  handler_->End();
  ended_ = frames_.empty();
}

void JsonReader::FailSyntax(const std::string& message) {
  const ParserFault fault = ClassifyFault(message);
  const Position token = fault.at_end ? input_.here() : fault.bare ? input_.bare_start() : input_.token_start();
  if (fault.number && input_.AfterLeadingZero()) {
    Fail(input_.zero_start(), Path(), "invalid JSON: a number cannot start with 0");
  }
  if (ended_) Fail(token, "", "invalid JSON: unexpected text after the end of the document");
  if (fault.context.ends_with("object separator")) Fail(token, Path(), "invalid JSON: expected ':' after the member name");
  if (fault.context.ends_with("object")) Fail(token, Path(), "invalid JSON: expected ',' or '}'");
  if (fault.context.ends_with("array")) Fail(token, Path(), "invalid JSON: expected ',' or ']'");
  // A member name or a value was due: a fault inside its token is shown where it is.
  const bool key = fault.context.ends_with("object key");
  const std::string path = key ? Join(path_.size() - (frames_.back().has_segment ? 1 : 0))
                           : !frames_.empty() && !frames_.back().object ? NextElementPath()
                                                                        : Path();
  if (const TokenFault* inside = FindTokenFault(fault.token_fault)) {
    switch (inside->place) {
      case Place::kLookedAt: Fail(input_.LastLookedAt(), path, inside->what);
      case Place::kEscape: Fail(input_.escape_start(), path, inside->what);
      case Place::kSequence: Fail(input_.sequence_start(), path, inside->what);
      case Place::kNumberEnd: Fail(input_.NumberEnd(), path, inside->what);
    }
  }
  if (key) {
    Fail(token, path, frames_.back().keys.empty() ? "invalid JSON: expected a member name or '}'"
                                                  : "invalid JSON: expected a member name");
  }
  if (fault.overflow) Fail(token, path, "invalid JSON: number out of range");
  Fail(token, path, fault.at_end ? "invalid JSON: unexpected end of input" : "invalid JSON: expected a value");
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

std::string JsonReader::NextElementPath() const {
  const bool has = frames_.back().has_segment;
  return Join(path_.size() - (has ? 1 : 0)) + "[" + std::to_string(has ? path_.back().index + 1 : 0) + "]";
}

void JsonReader::Fail(const Position& position, const std::string& path, const std::string& what) const {
  throw InputError(InputErrorText(file_, position, path, what));
}

void JsonReader::FailHere(const std::string& what) const { Fail(position_, OwnerPath(), what); }

}  // namespace storetool
