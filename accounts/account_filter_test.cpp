#include "accounts/account_filter.h"

#include <gtest/gtest.h>

#include <optional>

namespace accounts {
namespace {

TEST(AccountFilterTest, MajorVersionIsTheIntegerOfTheFirstTwoCharacters) {
  const struct {
    const char* version;
    bool later;
  } cases[] = {
      {"9.0.0.2711", false}, {"10.0.6626", false}, {"11.0.5510", true}, {"16.0.0.0", true},
      {"8", false},          {"1", false},         {"9 ", false},       {" 9.0", false},
      {"+9.0", false},       {"-1.0", false},      {".9", false},       {"99", true},
      {"1011", false},       {"", true},           {"Outlook", true},   {"x1", true},
      {"1x", true},          {"  10.0", true},     {"+", true},         {"-.5", true},
      {".", true},           {"11", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsVersion11OrLater(c.version), c.later) << '"' << c.version << '"';
  }
}

}  // namespace
}  // namespace accounts
