#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "tools/json_input.h"

namespace storetool {

// A failure in an input document: the message says the file, the place, the
// path of members and what is wrong ("f.json: line 2, column 5 (at a.b): ...").
class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Builds the message of an InputError from its parts; an empty path is left out.
std::string InputErrorText(const std::string& file, const Position& position,
                           const std::string& path, const std::string& what);

// `text` as a JSON string literal for a message; bytes that are not UTF-8
// are shown as U+FFFD.
std::string Quote(std::string_view text);

enum class JsonKind { kObject, kArray, kString, kInteger, kNumber, kBoolean, kNull };

// A value as it begins: an object or array by its kind alone, a scalar with
// its content. kInteger is a number written without fraction or exponent;
// kNumber any other.
struct JsonValue {
  JsonKind kind = JsonKind::kNull;
  std::string text;                   // kString: the text, valid UTF-8
  std::optional<std::int32_t> int32;  // kInteger: the number, when in the 32-bit range
  bool boolean = false;               // kBoolean
};

// What a document's reader is told, in document order. A handler refuses
// what it does not take by throwing InputError (JsonReader::Fail).
class JsonHandler {
 public:
  virtual ~JsonHandler() = default;
  // A value begins: a scalar, or the opening of an object or array.
  virtual void Value(const JsonValue& value) = 0;
  // A member name of the innermost open object.
  virtual void Key(const std::string& name) = 0;
  // The innermost open object or array ends.
  virtual void End() = 0;
};

// Reads one JSON document from a stream with nlohmann-json's event parser,
// in memory that does not grow with the document's size, and tells a
// handler. It refuses bad JSON, duplicate member names and text after the
// document with their line, column and member path.
class JsonReader {
 public:
  // Reads from `in`; `file` names the input in error messages.
  JsonReader(std::istream& in, std::string file);

  // Reads the whole document. Throws InputError at the first fault.
  void Read(JsonHandler& handler);

  // Where the current value or member name begins.
  const Position& position() const { return position_; }
  // The member path of the current value ("folders[0].items[2].subject");
  // at an End, the path of the container that ends.
  std::string Path() const { return Join(path_.size()); }
  // The path of the object or array that holds the current value or name.
  std::string OwnerPath() const { return Join(path_.empty() ? 0 : path_.size() - 1); }

  // Throws InputError at `position` with `path` and `what`.
  [[noreturn]] void Fail(const Position& position, const std::string& path, const std::string& what) const;
  // Throws InputError at the current value or name with its owner's path.
  [[noreturn]] void FailHere(const std::string& what) const;

 private:
  friend class JsonEvents;

  struct Segment {
    std::string key;
    long index = -1;  // >= 0 for an array element
  };
  struct Frame {
    bool object = false;
    bool has_segment = false;  // path_ ends with this container's member or element
    std::set<std::string> keys;
  };

  void BeginValue(const JsonValue& value, bool number);
  void BeginKey(std::string& name);
  void EndContainer();
  [[noreturn]] void FailSyntax(const std::string& message);
  std::string Join(std::size_t count) const;
  std::string NextElementPath() const;

  JsonInput input_;
  std::string file_;
  JsonHandler* handler_ = nullptr;
  Position position_;
  std::vector<Frame> frames_;
  std::vector<Segment> path_;
  bool ended_ = false;  // the document's value is complete
};

}  // namespace storetool
