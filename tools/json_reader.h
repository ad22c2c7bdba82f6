#pragma once

#include <cstddef>
#include <istream>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace storetool {

// A place in an input text: 1-based line and column (columns count
// characters, not bytes) and the 0-based byte offset.
struct Position {
  long line = 1;
  long column = 1;
  std::size_t offset = 0;
};

// A failure in an input document: the message says the file, the place, the
// path of members and what is wrong ("f.json: line 2, column 5 (at a.b): ...").
class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Builds the message of an InputError from its parts; an empty path is left out.
std::string InputErrorText(const std::string& file, const Position& position,
                           const std::string& path, const std::string& what);

// A pull reader of one JSON document from a stream, one token at a time.
// It checks the grammar, UTF-8 and duplicate member names as it goes, and
// keeps the position and the member path of the current token, so callers
// can stream documents of any size and still report exact places.
class JsonReader {
 public:
  enum class Token {
    kBeginObject, kEndObject, kBeginArray, kEndArray, kKey, kString, kNumber, kTrue, kFalse, kNull,
    kEnd,
  };

  // Reads from `in`; `file` names the input in error messages.
  JsonReader(std::istream& in, std::string file);

  // Reads the next token. kEnd comes once, after the whole document and only
  // when nothing but white space follows it. Throws InputError on bad input.
  Token Next();

  // The token that the last Next returned.
  Token token() const { return token_; }
  // The member name of kKey, the decoded text of kString, or the literal of
  // kNumber (as written, e.g. "-12" or "1.5e3").
  const std::string& text() const { return text_; }
  // Where the current token starts.
  const Position& position() const { return start_; }
  // The member path of the current token ("folders[0].items[2].subject");
  // for kBeginObject/kEndObject and arrays, the path of that container.
  std::string Path() const;
  // The path of the object or array that holds the current token's value.
  std::string OwnerPath() const;

  // Throws InputError at `position` with `path` and `what`.
  [[noreturn]] void Fail(const Position& position, const std::string& path,
                         const std::string& what) const;
  // Throws InputError at the current token with its owner's path.
  [[noreturn]] void FailHere(const std::string& what) const;

 private:
  struct Segment {
    std::string key;
    long index = -1;  // >= 0 for an array element
  };
  struct Frame {
    bool object = false;
    bool has_member = false;  // path_ ends with this container's member
    int state = 0;            // where the reader stands in this container
    std::set<std::string> keys;
  };

  Token ReadToken();
  int Peek();
  int Get();
  void SkipSpace();
  Token ReadValue(int c);
  Token ReadInContainer();
  Token ReadKey(int c);
  void ReadString();
  void ReadEscape();
  void ReadUtf8(int lead);
  void ReadNumber(int first);
  void ReadLiteral(const char* word);
  void EnterElement();
  Token Close();
  std::string Join(std::size_t count) const;
  [[noreturn]] void SyntaxError(const std::string& what) const;

  std::istream& in_;
  std::string file_;
  std::vector<char> buffer_;
  std::size_t buffer_pos_ = 0;
  std::size_t buffer_end_ = 0;
  Position here_;
  Position last_;
  Position start_;
  std::string text_;
  std::vector<Frame> frames_;
  std::vector<Segment> path_;
  Token token_ = Token::kEnd;
  bool started_ = false;
  bool finished_ = false;
};

}  // namespace storetool
