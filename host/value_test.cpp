#include "host/value.h"

#include <gtest/gtest.h>

namespace host {
namespace {

TEST(ValueTest, ToTextReadsLikeJoinedText) {
  using namespace std::chrono;
  const LocalTime time = local_days{year{2026} / 12 / 6} + hours{7} + minutes{5} + seconds{9};
  const struct {
    Value value;
    std::string text;
  } cases[] = {
      {Empty{}, ""},         {Null{}, ""},          {std::string("Zoë's"), "Zoë's"},
      {std::int32_t{-42}, "-42"}, {true, "True"},   {false, "False"},
      {2.5, "2.5"},          {time, "2026-12-06 07:05:09"},
  };
  for (const auto& c : cases) EXPECT_EQ(ToText(c.value), c.text) << c.text;
}

TEST(ValueTest, ParseLocalTimeTakesBothSeparatorsAndRejectsTheRest) {
  LocalTime time{};
  ASSERT_TRUE(ParseLocalTime("2024-02-29T23:59:58", time));
  EXPECT_EQ(ToText(time), "2024-02-29 23:59:58");
  ASSERT_TRUE(ParseLocalTime("2026-01-02 03:04:05", time));
  EXPECT_EQ(ToText(time), "2026-01-02 03:04:05");
  for (const char* bad : {"", "2023-02-29 00:00:00", "2026-01-02", "2026-01-02 24:00:00",
                          "2026-01-02X03:04:05", "2026-01-02 03:04:05Z", "2026-1-02 03:04:05 ",
                          "2026-01-02 +3:04:05"}) {
    EXPECT_FALSE(ParseLocalTime(bad, time)) << bad;
  }
}

}  // namespace
}  // namespace host
