#include "accounts/account_filter.h"

#include <gtest/gtest.h>

#include <optional>

namespace accounts {
namespace {

TEST(AccountFilterTest, KeepsTheFilterShapeAndQuotesApostrophes) {
  const struct {
    const char* key;
    const char* filter;
  } cases[] = {
      {"A100", "[AccountID] = 'A100'"},
      {"", "[AccountID] = ''"},
      {"O'Brien", "[AccountID] = 'O''Brien'"},
      {"x' OR [AccountID] <> '", "[AccountID] = 'x'' OR [AccountID] <> '''"},
      {"''", "[AccountID] = ''''''"},
  };
  for (const auto& c : cases) EXPECT_EQ(AccountIdFilter(c.key), c.filter) << c.key;
}

TEST(AccountFilterTest, BasicIntegerConvertsLikeCInt) {
  const struct {
    const char* text;
    std::optional<int> value;
  } cases[] = {
      {"9", 9},         {"9 ", 9},        {" 9", 9},          {"+9", 9},        {"\t12\t", 12},
      {"9.", 9},        {"-7", -7},       {"1.6", 2},         {"1.4", 1},       {"2.5", 2},
      {"3.5", 4},       {".5", 0},        {".6", 1},          {"2.51", 3},      {"-2.5", -2},
      {"-3.5", -4},     {"32767", 32767}, {"-32768", -32768}, {"32768", {}},    {"32767.5", {}},
      {"99999999999999999999", {}},       {"", {}},           {"  ", {}},       {"+", {}},
      {"-", {}},        {".", {}},        {"-.", {}},         {"x1", {}},       {"1x", {}},
      {"1.2.3", {}},    {"1 2", {}},      {"++1", {}},        {"1-", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(BasicInteger(c.text), c.value) << '"' << c.text << '"';
}

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
