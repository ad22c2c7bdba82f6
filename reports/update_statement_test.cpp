#include "reports/update_statement.h"

#include <gtest/gtest.h>

namespace reports {
namespace {

TEST(QuotedNameTest, DoublesTheQuoteInsideAndLeavesNamesAloneWithoutOne) {
  EXPECT_EQ(QuotedName("Account Name", "\""), "\"Account Name\"");
  EXPECT_EQ(QuotedName("a\"b\"", "\""), "\"a\"\"b\"\"\"");
  EXPECT_EQ(QuotedName("it's]", "\""), "\"it's]\"");
  EXPECT_EQ(QuotedName("x`y", "`"), "`x``y`");
  EXPECT_EQ(QuotedName("Team", ""), "Team");
  EXPECT_EQ(SchemaQuery("Q\"1", "\""), "Select \"FieldName\" from \"SchemaQ\"\"1\" order by \"FieldName\"");
}

}  // namespace
}  // namespace reports
