#include "accounts/account_filter.h"

#include <gtest/gtest.h>

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

TEST(AccountFilterTest, MajorVersionRuleReadsTheFirstTwoCharacters) {
  const struct {
    const char* version;
    bool later;
  } cases[] = {
      {"9.0.0.2711", false}, {"10.0.6626", false}, {"11.0.5510", true}, {"16.0.0.0", true},
      {"8", false},          {"", true},           {"Outlook", true},   {"x1", true},
      {"1", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsVersion11OrLater(c.version), c.later) << c.version;
}

}  // namespace
}  // namespace accounts
