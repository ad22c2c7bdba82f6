#include "tools/json_reader.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tools/json_writer.h"

namespace storetool {
namespace {

using Token = JsonReader::Token;

struct Seen {
  Token token;
  std::string text;
  long line;
  long column;
  std::string path;
};

std::vector<Seen> ReadAll(const std::string& document) {
  std::istringstream in(document);
  JsonReader reader(in, "t.json");
  std::vector<Seen> seen;
  for (Token token = reader.Next();; token = reader.Next()) {
    const bool has_text = token == Token::kKey || token == Token::kString || token == Token::kNumber;
    seen.push_back({token, has_text ? reader.text() : "", reader.position().line, reader.position().column,
                    reader.Path()});
    if (token == Token::kEnd) return seen;
  }
}

std::string ErrorOf(const std::string& document) {
  try {
    ReadAll(document);
  } catch (const InputError& error) {
    return error.what();
  }
  return "no error";
}

TEST(JsonReaderTest, TokensCarryTheirLineColumnAndMemberPath) {
  const auto seen = ReadAll("{\"a\": [1, {\"b\": \"x\"}],\n \"c d\": true, \"é\": null}");
  const std::vector<Seen> expected = {
      {Token::kBeginObject, "", 1, 1, ""},     {Token::kKey, "a", 1, 2, "a"},
      {Token::kBeginArray, "", 1, 7, "a"},     {Token::kNumber, "1", 1, 8, "a[0]"},
      {Token::kBeginObject, "", 1, 11, "a[1]"}, {Token::kKey, "b", 1, 12, "a[1].b"},
      {Token::kString, "x", 1, 17, "a[1].b"},  {Token::kEndObject, "", 1, 20, "a[1]"},
      {Token::kEndArray, "", 1, 21, "a"},      {Token::kKey, "c d", 2, 2, "[\"c d\"]"},
      {Token::kTrue, "", 2, 9, "[\"c d\"]"},   {Token::kKey, "é", 2, 15, "[\"é\"]"},
      {Token::kNull, "", 2, 20, "[\"é\"]"},    {Token::kEndObject, "", 2, 24, ""},
      {Token::kEnd, "", 2, 25, ""},
  };
  ASSERT_EQ(seen.size(), expected.size());
  for (std::size_t i = 0; i < seen.size(); ++i) {
    SCOPED_TRACE("token " + std::to_string(i) + " " + expected[i].text);
    EXPECT_EQ(seen[i].token, expected[i].token);
    EXPECT_EQ(seen[i].text, expected[i].text);
    EXPECT_EQ(seen[i].line, expected[i].line);
    EXPECT_EQ(seen[i].column, expected[i].column);
    EXPECT_EQ(seen[i].path, expected[i].path);
  }
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
    SCOPED_TRACE(c.json);
    const auto seen = ReadAll(c.json);
    ASSERT_EQ(seen.front().token, Token::kString);
    EXPECT_EQ(seen.front().text, c.text);
  }
}

TEST(JsonReaderTest, RejectsBadInputAtItsPlace) {
  const struct {
    std::string json;
    std::string error;
  } cases[] = {
      {"", "t.json: line 1, column 1: invalid JSON: unexpected end of input"},
      {"{\"a\": 1,}", "t.json: line 1, column 9: invalid JSON: expected a member name"},
      {"{\"a\": {\"b\": 1 \"c\"}}", "t.json: line 1, column 15 (at a.b): invalid JSON: expected ',' or '}'"},
      {"[1,]", "t.json: line 1, column 4 (at [1]): invalid JSON: expected a value"},
      {"{\"a\" 1}", "t.json: line 1, column 6 (at a): invalid JSON: expected ':' after the member name"},
      {"{\"a\": tru}", "t.json: line 1, column 7 (at a): invalid JSON: expected a value"},
      {"\n\n  \"abc", "t.json: line 3, column 7: invalid JSON: unterminated string"},
      {"{\"a\": \"x\\qy\"}", "t.json: line 1, column 9 (at a): invalid escape in a string"},
      {"\"\\ud800\"", "t.json: line 1, column 2: unpaired surrogate in a \\u escape"},
      {"\"\\udc00\"", "t.json: line 1, column 2: unpaired surrogate in a \\u escape"},
      {"\"\\u12g4\"", "t.json: line 1, column 2: expected four hexadecimal digits after \\u"},
      {"\"a\nb\"", "t.json: line 1, column 3: invalid JSON: control character in a string (write it as an escape)"},
      {"[\"é\", \"\xC3\x28\"]", "t.json: line 1, column 8 (at [1]): invalid UTF-8"},
      {"\"\xC0\xAF\"", "t.json: line 1, column 2: invalid UTF-8"},
      {"\"\xED\xA0\x80\"", "t.json: line 1, column 2: invalid UTF-8"},
      {"\"\xE2\x82", "t.json: line 1, column 2: invalid UTF-8"},
      {"01", "t.json: line 1, column 1: invalid JSON: a number cannot start with 0"},
      {"-", "t.json: line 1, column 1: invalid JSON: expected a digit after '-'"},
      {"1.", "t.json: line 1, column 2: invalid JSON: expected a digit after '.'"},
      {"1e+", "t.json: line 1, column 3: invalid JSON: expected a digit in the exponent"},
      {"{} x", "t.json: line 1, column 4: invalid JSON: unexpected text after the end of the document"},
      {"{\"a\": 1, \"a\": 2}", "t.json: line 1, column 10: duplicate member \"a\""},
      {std::string(300, '['), "t.json: line 1, column 257" + std::string(" (at ") + [] {
         std::string path;
         for (int i = 0; i < 256; ++i) path += "[0]";
         return path;
       }() + "): invalid JSON: nesting deeper than 256 levels"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ErrorOf(c.json), c.error) << "input: " << c.json;
  }
}

TEST(JsonReaderTest, CountsPositionsAcrossBufferBoundaries) {
  // A long string with multi-byte characters fills more than one read buffer.
  std::string text;
  for (int i = 0; i < 30000; ++i) text += "aé";
  const auto seen = ReadAll("[\n\"" + text + "\", 7]");
  ASSERT_EQ(seen.size(), 5u);
  EXPECT_EQ(seen[1].text, text);
  EXPECT_EQ(seen[2].text, "7");
  EXPECT_EQ(seen[2].line, 2);
  EXPECT_EQ(seen[2].column, 60000 + 5);
  EXPECT_EQ(seen[2].path, "[1]");
}

TEST(JsonWriterTest, QuotesOnlyWhatJsonRequires) {
  const struct {
    std::string text;
    std::string quoted;
  } cases[] = {
      {"plain", "\"plain\""},
      {"a\"b\\c", "\"a\\\"b\\\\c\""},
      {"\n\r\t\b\f", "\"\\n\\r\\t\\b\\f\""},
      {std::string("\x01\x1f", 2), "\"\\u0001\\u001f\""},
      {"Øresund – 😀 /", "\"Øresund – 😀 /\""},
  };
  for (const auto& c : cases) EXPECT_EQ(Quote(c.text), c.quoted) << "text: " << c.text;
}

}  // namespace
}  // namespace storetool
