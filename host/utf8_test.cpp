#include "host/utf8.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace host {
namespace {

TEST(Utf8Test, FindsTheFirstByteOfEveryIllFormedSequence) {
  const struct {
    std::string text;
    std::optional<std::size_t> invalid_at;
  } cases[] = {
      {"", std::nullopt},
      {"A000001", std::nullopt},
      {"M\xC3\xBCller \xE2\x82\xAC \xF0\x9F\x98\x80", std::nullopt},  // ü, €, an emoji
      {"\xEF\xBF\xBF\xF4\x8F\xBF\xBF", std::nullopt},                 // U+FFFF, U+10FFFF
      {"M\xFCller", 1},                     // Latin-1
      {"ab\xC3", 2},                        // cut short at the end
      {"\xC3(", 0},                         // no continuation byte
      {"x\xA1", 1},                         // a lone continuation byte
      {"\xC0\xAF", 0},                      // overlong "/"
      {"\xE0\x9F\xBF", 0},                  // overlong three-byte form
      {"\xED\xA0\x80", 0},                  // a surrogate
      {"\xF4\x90\x80\x80", 0},              // above U+10FFFF
      {"\xF5\x80\x80\x80", 0},
      {"ok\xE2\x82", 2},
      {std::string("a\0b", 3), std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FirstInvalidUtf8(c.text), c.invalid_at) << testing::PrintToString(c.text);
  }
}

}  // namespace
}  // namespace host
