#include "reports/update_statement.h"

#include <gtest/gtest.h>

namespace reports {
namespace {

using Values = std::vector<std::optional<std::string>>;

TEST(QuotedNameTest, DoublesTheQuoteInsideAndLeavesNamesAloneWithoutOne) {
  EXPECT_EQ(QuotedName("Account Name", "\""), "\"Account Name\"");
  EXPECT_EQ(QuotedName("a\"b\"", "\""), "\"a\"\"b\"\"\"");
  EXPECT_EQ(QuotedName("it's]", "\""), "\"it's]\"");
  EXPECT_EQ(QuotedName("x`y", "`"), "`x``y`");
  EXPECT_EQ(QuotedName("Team", ""), "Team");
  EXPECT_EQ(SchemaQuery("Q\"1", "\""), "Select \"FieldName\" from \"SchemaQ\"\"1\" order by \"FieldName\"");
}

TEST(UpdateStatementTest, KeepsTheShapesWithEveryValueBound) {
  SetList set_list("\"");
  set_list.Add("Account Name", "Acme's");
  set_list.Add("Team", "East");
  const BoundStatement contact = UpdateStatement("Contacts", set_list, "Acme's", "AccountID", "A100");
  EXPECT_EQ(contact.text,
            "update \"Contacts\" Set \"Account Name\" = ?, \"Team\" = ?,\"COMPANY\" = ? "
            "where \"AccountID\" = ?");
  EXPECT_EQ(contact.values, (Values{"Acme's", "East", "Acme's", "A100"}));

  const BoundStatement other = UpdateStatement("Opportunities", set_list, std::nullopt, "Key", "x'--");
  EXPECT_EQ(other.text, "update \"Opportunities\" Set \"Account Name\" = ?, \"Team\" = ? where \"Key\" = ?");
  EXPECT_EQ(other.values, (Values{"Acme's", "East", "x'--"}));
}

TEST(UpdateStatementTest, WithoutAssignmentsIsStillMadeForTheEngineToRefuse) {
  const SetList none("\"");
  EXPECT_TRUE(none.empty());
  EXPECT_EQ(UpdateStatement("T", none, std::nullopt, "K", "1").text, "update \"T\"  where \"K\" = ?");
  const BoundStatement contact = UpdateStatement("C", none, "Acme", "K", "1");
  EXPECT_EQ(contact.text, "update \"C\" ,\"COMPANY\" = ? where \"K\" = ?");
  EXPECT_EQ(contact.values, (Values{"Acme", "1"}));
}

}  // namespace
}  // namespace reports
