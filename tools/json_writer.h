#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace storetool {

// `text` as a JSON string literal: quotes, backslashes and control
// characters escaped, everything else (UTF-8 included) written as it is.
std::string Quote(std::string_view text);

// Writes one JSON document to a stream as it goes, indented by two spaces
// per level, one member or element per line, empty containers as {} and [].
// The caller keeps the grammar: a Key before each object member's value.
class JsonWriter {
 public:
  explicit JsonWriter(std::ostream& out) : out_(out) {}

  void BeginObject() { Open('{'); }
  void EndObject() { Close('}'); }
  void BeginArray() { Open('['); }
  void EndArray() { Close(']'); }
  void Key(std::string_view name);
  void String(std::string_view text);
  void Integer(std::int64_t number);
  void Boolean(bool flag);
  void Null();

 private:
  void BeforeValue();
  void Open(char bracket);
  void Close(char bracket);
  void NewLine(std::size_t depth);

  std::ostream& out_;
  std::vector<std::size_t> counts_;  // members written so far, per open container
  bool after_key_ = false;
};

}  // namespace storetool
