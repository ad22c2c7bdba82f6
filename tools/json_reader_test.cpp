#include "tools/json_reader.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <sstream>

#include "tools/json_writer.h"

namespace storetool {
namespace {

// Records every event as one line: what, and unless `where` is false the
// place and the member path (slow to build for paths a million deep).
class Recorder : public JsonHandler {
 public:
  explicit Recorder(const JsonReader& reader, bool where = true) : reader_(reader), where_(where) {}
  void Value(const JsonValue& value) override { Add(Describe(value)); }
  void Key(const std::string& name) override { Add("key " + name); }
  void End() override { events.push_back(where_ ? "end at " + reader_.Path() : "end"); }
  std::vector<std::string> events;

 private:
  static std::string Describe(const JsonValue& value) {
    switch (value.kind) {
      case JsonKind::kObject: return "{";
      case JsonKind::kArray: return "[";
      case JsonKind::kString: return "string " + value.text;
      case JsonKind::kInteger: return value.int32 ? "integer " + std::to_string(*value.int32) : "big integer";
      case JsonKind::kNumber: return "number";
      case JsonKind::kBoolean: return value.boolean ? "true" : "false";
      case JsonKind::kNull: return "null";
    }
    return "?";
  }
  void Add(const std::string& what) {
    events.push_back(!where_ ? what
                             : what + " " + std::to_string(reader_.position().line) + ":" +
                                   std::to_string(reader_.position().column) + " at " + reader_.Path());
  }
  const JsonReader& reader_;
  bool where_;
};

std::vector<std::string> ReadAll(const std::string& document) {
  std::istringstream in(document);
  JsonReader reader(in, "t.json");
  Recorder recorder(reader);
  reader.Read(recorder);
  return recorder.events;
}

TEST(JsonReaderTest, EventsCarryTheirLineColumnAndMemberPath) {
  const std::vector<std::string> expected = {
      "{ 1:1 at ",           "key a 1:2 at a",       "[ 1:7 at a",           "integer 1 1:8 at a[0]",
      "{ 1:11 at a[1]",      "key b 1:12 at a[1].b", "string x 1:17 at a[1].b", "end at a[1]",
      "end at a",            "key c d 2:2 at [\"c d\"]", "true 2:9 at [\"c d\"]", "key é 2:15 at [\"é\"]",
      "number 2:20 at [\"é\"]", "end at ",
  };
  const std::string document = "{\"a\": [1, {\"b\": \"x\"}],\n \"c d\": true, \"é\": 1.5}";
  EXPECT_EQ(ReadAll(document), expected);
  // A byte-order mark is skipped and takes no column.
  EXPECT_EQ(ReadAll("\xEF\xBB\xBF" + document), expected);
}

TEST(JsonReaderTest, DecodesEscapesAndKeepsUtf8) {
  const struct {
    std::string json;
    std::string text;
  } cases[] = {
      {R"("\u00e9\ud83d\ude00")", "é😀"},
      {R"("\n\t\r\b\f\"\\\/")", "\n\t\r\b\f\"\\/"},
      {"\"日本語 😀 Øre\"", "日本語 😀 Øre"},
      {R"("\u0000x")", std::string("\0x", 2)},
      {"\"\"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadAll(c.json), std::vector<std::string>{"string " + c.text + " 1:1 at "}) << c.json;
  }
}

TEST(JsonReaderTest, RejectsBadInputAtItsPlace) {
  const struct {
    std::string json;
    std::string error;
  } cases[] = {
      {"", "t.json: line 1, column 1: invalid JSON: unexpected end of input"},
      {"{", "t.json: line 1, column 2: invalid JSON: expected a member name or '}'"},
      {"{\"a\": 1,}", "t.json: line 1, column 9: invalid JSON: expected a member name"},
      {"{\"a\": {\"b\": 1 \"c\"}}", "t.json: line 1, column 15 (at a.b): invalid JSON: expected ',' or '}'"},
      {"[1 x]", "t.json: line 1, column 4 (at [0]): invalid JSON: expected ',' or ']'"},
      {"[1,]", "t.json: line 1, column 4 (at [1]): invalid JSON: expected a value"},
      {"[", "t.json: line 1, column 2 (at [0]): invalid JSON: unexpected end of input"},
      {"{\"a\" 1}", "t.json: line 1, column 6 (at a): invalid JSON: expected ':' after the member name"},
      {"{\"a\": tru}", "t.json: line 1, column 7 (at a): invalid JSON: expected a value"},
      {"\n\n  \"abc", "t.json: line 3, column 7: invalid JSON: unterminated string"},
      {"{\"a\": \"x\\qy\"}", "t.json: line 1, column 9 (at a): invalid escape in a string"},
      {"\"\\ud800\"", "t.json: line 1, column 2: unpaired surrogate in a \\u escape"},
      {"\"\\udc00\"", "t.json: line 1, column 2: unpaired surrogate in a \\u escape"},
      {"\"\\u12g4\"", "t.json: line 1, column 2: expected four hexadecimal digits after \\u"},
      {"\"a\nb\"", "t.json: line 1, column 3: invalid JSON: control character in a string (write it as an escape)"},
      {"[\"é\", \"\xC3\x28\"]", "t.json: line 1, column 8 (at [1]): invalid UTF-8"},
      {"{\"\xC3\x28\": 1}", "t.json: line 1, column 3: invalid UTF-8"},
      {"\"é\x80\"", "t.json: line 1, column 3: invalid UTF-8"},
      {"\"\xE2\x82", "t.json: line 1, column 2: invalid UTF-8"},
      {"\xEF\xBB", "t.json: line 1, column 1: invalid UTF-8"},
      {"01", "t.json: line 1, column 1: invalid JSON: a number cannot start with 0"},
      {"[-01]", "t.json: line 1, column 2 (at [0]): invalid JSON: a number cannot start with 0"},
      {"-", "t.json: line 1, column 1: invalid JSON: expected a digit after '-'"},
      {"1.", "t.json: line 1, column 2: invalid JSON: expected a digit after '.'"},
      {"[1.x]", "t.json: line 1, column 3 (at [0]): invalid JSON: expected a digit after '.'"},
      {"1e+", "t.json: line 1, column 3: invalid JSON: expected a digit in the exponent"},
      {"[1e999]", "t.json: line 1, column 2 (at [0]): invalid JSON: number out of range"},
      {"{} x", "t.json: line 1, column 4: invalid JSON: unexpected text after the end of the document"},
      {"{\"a\": 1, \"a\": 2}", "t.json: line 1, column 10: duplicate member \"a\""},
  };
  for (const auto& c : cases) {
    EXPECT_THAT([&] { ReadAll(c.json); }, ::testing::ThrowsMessage<InputError>(c.error)) << "input: " << c.json;
  }
}

TEST(JsonReaderTest, ReadsNestingOfAnyDepthWithoutRecursion) {
  const std::ptrdiff_t depth = 1000000;
  std::istringstream in(std::string(depth, '[') + std::string(depth, ']'));
  JsonReader reader(in, "t.json");
  Recorder recorder(reader, false);
  reader.Read(recorder);
  EXPECT_EQ(std::count(recorder.events.begin(), recorder.events.end(), "["), depth);
  EXPECT_EQ(std::count(recorder.events.begin(), recorder.events.end(), "end"), depth);
}

TEST(JsonReaderTest, CountsPositionsAcrossBufferBoundaries) {
  // A long string with multi-byte characters fills more than one read buffer.
  std::string text;
  for (int i = 0; i < 30000; ++i) text += "aé";
  EXPECT_EQ(ReadAll("[\n\"" + text + "\", 7]"),
            (std::vector<std::string>{"[ 1:1 at ", "string " + text + " 2:1 at [0]",
                                      "integer 7 2:" + std::to_string(60000 + 5) + " at [1]", "end at "}));
}

TEST(JsonWriterTest, RefusesTextThatIsNotUtf8AndWritesNothingOfIt) {
  for (const std::string text : {"\xFF", "ok\xC3", "\xED\xA0\x80"}) {
    std::ostringstream out;
    JsonWriter writer(out);
    writer.BeginArray();
    EXPECT_THROW(writer.String(text), InvalidText) << text;
    EXPECT_EQ(out.str(), "[") << text;
  }
}

}  // namespace
}  // namespace storetool
