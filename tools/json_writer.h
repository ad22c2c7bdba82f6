#pragma once

#include <cstdint>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace storetool {

// Text that a JSON document cannot hold because it is not valid UTF-8; the
// message says where in the text.
class InvalidText : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Writes one JSON document to a stream as it goes, laid out as
// nlohmann-json's dump(2): one member or element per line, two spaces per
// level, empty containers as {} and [], a final newline. Strings are
// written as nlohmann-json writes them (by it, but for plain printable
// ASCII, which needs no escapes). The caller keeps the grammar: a Key
// before each object member's value.
class JsonWriter {
 public:
  explicit JsonWriter(std::ostream& out) : out_(&out) {}
  // Appends to `text` instead of writing to a stream.
  explicit JsonWriter(std::string& text) : text_(&text) {}

  void BeginObject() { Open('{'); }
  void EndObject() { Close('}'); }
  void BeginArray() { Open('['); }
  void EndArray() { Close(']'); }
  // Key and String throw InvalidText, writing nothing of the text, when it
  // is not valid UTF-8.
  void Key(std::string_view name);
  void String(std::string_view text);
  void Integer(std::int64_t number);
  void Boolean(bool flag);
  void Null();

  // Goes on as if inside an array open at nesting `depth` (the document's
  // outermost container is depth 1) after `written` elements: the next value
  // is laid out as that array's next element. For elements written apart
  // from the rest of the document and put in with Raw.
  void Resume(std::size_t depth, std::size_t written);
  // Writes text already laid out by a writer that resumed here.
  void Raw(std::string_view text) { Put(text); }
  // Counts `elements` written with Raw as the open container's own.
  void AddElements(std::size_t elements) { counts_.back() += elements; }

 private:
  void BeforeValue();
  void Open(char bracket);
  void Close(char bracket);
  void NewLine(std::size_t depth);
  void Put(std::string_view text);
  // Writes a quoted string as a value, after BeforeValue; throws InvalidText
  // before writing anything when the text is not valid UTF-8.
  void PutString(std::string_view text);

  std::ostream* out_ = nullptr;
  std::string* text_ = nullptr;
  std::vector<std::size_t> counts_;  // members written so far, per open container
  bool after_key_ = false;
  std::string line_;  // a line break and indentation, reused
};

}  // namespace storetool
