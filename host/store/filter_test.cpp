#include "host/store/filter.h"

#include <gtest/gtest.h>

#include "host/error.h"
#include "host/store/dialect.h"
#include "host/store/test_store.h"

namespace store {
namespace {

using Ids = std::vector<std::int64_t>;

struct Property {
  std::int64_t item;
  const char* name;
  const char* type;
  host::Value value;
};

const host::LocalTime kNewYear{std::chrono::local_days{std::chrono::year{2024} / 1 / 1}};

// Folder 1 holds items 1 to 6 and 8; item 7, in folder 2, looks like item 1.
// Item 4 has no AccountID, items 5, 6 and 8 no Rank; item 8's key is a number.
const Property kProperties[] = {
    {1, "AccountID", "text", "A100"},  {1, "Rank", "integer", 5},
    {1, "Active", "boolean", true},    {1, "Name", "text", "Zoë"},
    {1, "Due", "time", kNewYear},      {2, "AccountID", "text", "a100"},
    {2, "Rank", "integer", 10},        {2, "Active", "boolean", false},
    {3, "AccountID", "text", "B200"},  {3, "Rank", "integer", -3},
    {3, "Name", "text", "O'Brien"},    {3, "Account Name", "text", "B & Co"},
    {4, "Rank", "integer", 7},         {5, "AccountID", "text", ""},
    {5, "Name", "text", "Say \"hi\""}, {6, "AccountID", "text", "x' OR [AccountID] <> '"},
    {7, "AccountID", "text", "A100"},  {8, "AccountID", "integer", 100},
};

std::string Repeat(const std::string& text, int times) {
  std::string repeated;
  while (times-- > 0) repeated += text;
  return repeated;
}

class FilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::int64_t folder = store_.AddFolder("Account Profiles");
    const std::int64_t other = store_.AddFolder("Other");
    for (int item = 1; item <= 8; ++item) store_.AddItem(item == 7 ? other : folder, "IPM.Post");
    Statement insert(store_.db(),
                     "INSERT INTO properties (item, folder, name, type, value) "
                     "SELECT id, folder, ?2, ?3, ?4 FROM items WHERE id = ?1");
    for (const auto& p : kProperties) {
      insert.Bind(1, p.item).Bind(2, p.name).Bind(3, p.type).BindValue(4, p.value).Run();
      insert.Reset();
    }
  }
  // The items of folder 1 that `filter` matches.
  Ids Matches(const Filter& filter) {
    const Filter::Query query = filter.CompileForFolder(store_.db().dialect());
    Statement statement(store_.db(), query.sql.c_str());
    int index = 1;
    statement.Bind(index, std::int64_t{1});
    for (const host::Value& param : query.params) statement.BindValue(++index, param);
    Ids ids;
    while (statement.Step()) ids.push_back(statement.Int(0));
    return ids;
  }
  Ids Matches(std::string_view text) { return Matches(Filter::Parse(text)); }

  testing::TempDir dir_;
  testing::StoreLocation location_{dir_};
  testing::TestStore store_{location_.str()};
};

TEST_F(FilterTest, MatchesExactlyTheItemsTheTextSays) {
  const struct {
    const char* text;
    Ids ids;
  } cases[] = {
      {"[AccountID] = 'A100'", {1}},
      {"[AccountID] ='a100'", {2}},
      {"[AccountID] <> 'A100'", {2, 3, 5, 6}},
      {"[AccountID] <> ''", {1, 2, 3, 6}},
      {"[AccountID] < 'B'", {1, 5}},
      {"'B' > [AccountID]", {1, 5}},
      {"[AccountID] = 100", {8}},
      {"[Rank] = 5", {1}},
      {"[Rank] <> 5", {2, 3, 4}},
      {"[Rank] < 7", {1, 3}},
      {"[Rank] >= -3", {1, 2, 3, 4}},
      {"[Rank] = '5'", {}},
      {"[Active] = 1", {1}},
      {"[rank] = 5", {}},
      {"[Name] = 'O''Brien'", {3}},
      {"[Name] = \"Say \"\"hi\"\"\"", {5}},
      {"[Name] = 'Zoë'", {1}},
      {"[Account Name] = 'B & Co'", {3}},
      {"NOT [Missing] = 'x'", {}},
      {"[AccountID] = 'x'' OR [AccountID] <> '''", {6}},
      {"[Rank] = 5 OR [AccountID] = 'B200' AND [Rank] = -3", {1, 3}},
      {"([Rank] = 5 OR [AccountID] = 'B200') AND [Rank] = -3", {3}},
      {"NOT [Rank] = 5 AND [Rank] > 0", {2, 4}},
      {"NOT ([Rank] = 5 OR [Rank] = 10)", {3, 4}},
      {"NOT [Rank] < 7", {2, 4}},
      {"NOT [Rank] >= 7", {1, 3}},
      {"NOT [Rank] > 7", {1, 3, 4}},
      {"NOT [Rank] <= 7", {2}},
      {"not not [Rank] = 5 oR [Rank] = 10", {1, 2}},
      {"\t[Rank]>0\nAnD([Rank]<7)", {1}},
      {"NOT ([Rank] > 0 AND [AccountID] = 'A100')", {2, 3, 5, 6}},
  };
  for (const auto& c : cases) EXPECT_EQ(Matches(c.text), c.ids) << c.text;
}

TEST_F(FilterTest, EqualsMatchesLikeTheParsedComparison) {
  const struct {
    const char* property;
    host::Value value;
    Ids ids;
  } cases[] = {
      {"AccountID", "A100", {1}}, {"AccountID", host::Empty{}, {5}},
      {"Rank", 5, {1}},           {"Active", true, {1}},
      {"Due", kNewYear, {1}},     {"AccountID", "x' OR [AccountID] <> '", {6}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Matches(Filter::Equals(c.property, c.value)), c.ids)
        << c.property << " " << host::ToText(c.value);
  }
}

TEST_F(FilterTest, BindsNamesAndLiteralsInsteadOfWritingThemIntoTheQuery) {
  const Filter::Query query =
      Filter::Parse("[Weird');--] = 'se''cret' OR [Rank] = 42").CompileForFolder(kSqliteDialect);
  for (const char* word : {"Weird", "se", "cret", "Rank", "42"}) {
    EXPECT_EQ(query.sql.find(word), std::string::npos) << word << " in " << query.sql;
  }
  EXPECT_EQ(query.params, (std::vector<host::Value>{"Weird');--", "se'cret", "Rank", 42}));
}

TEST_F(FilterTest, RunsTheLargestFiltersItAccepts) {
  std::string text = "[Rank] = 0";
  for (int i = 1; i < 256; ++i)
    text += (i % 2 ? " OR [Rank] = " : " AND NOT [Rank] = ") + std::to_string(i);
  EXPECT_EQ(Matches(text), (Ids{1, 4}));
  EXPECT_EQ(Matches(Repeat("NOT (", 32) + "[Rank] = 5" + Repeat(")", 32)), (Ids{1}));
}

TEST(FilterParseTest, RejectsMalformedTextNamingThePosition) {
  const struct {
    std::string text;
    std::string error;
  } cases[] = {
      {"[AccountID] = 'x", "unterminated string starting at character 15"},
      {"", "expected a comparison at character 1, found the end of the text"},
      {"[AccountID] =", "expected a string or a number at character 14, found the end of the text"},
      {"[AccountID] 'x'", "expected a comparison operator at character 13, found a string"},
      {"= 'x'", "expected a comparison at character 1, found '='"},
      {"([A] = 'x'", "expected AND, OR or ')' at character 11, found the end of the text"},
      {"[A] = 'x')", "expected AND, OR or the end of the text at character 10, found ')'"},
      {"[Name] = 'Zoë' ?", "expected AND, OR or the end of the text at character 16, found '?'"},
      {"[A = 'x'", "unterminated property name starting at character 1, expected ']'"},
      {"[] = 'x'", "empty property name at character 1"},
      {"[A] = [B]", "expected a string or a number at character 7, found '[B]'"},
      {"'x' = 'y'", "expected a property name in brackets at character 7, found a string"},
      {"[A] = 2147483648", "number out of range at character 7, expected -2147483648 to 2147483647"},
      {"[A] = -", "expected digits after '-' at character 7"},
      // Bytes that are no character of their own are never passed over.
      {"([A] = 'a')\xA1", "expected AND, OR or the end of the text at character 12, found the byte 0xA1"},
      {"(\x80[A] = 'a')", "expected a comparison at character 2, found the byte 0x80"},
      {"[A] = 'a' \xC3(", "expected AND, OR or the end of the text at character 11, found the byte 0xC3"},
      {"[A] = 'a' \xFF", "expected AND, OR or the end of the text at character 11, found the byte 0xFF"},
      {"[A] = 'a' \xE2\x82\xAC\xAC",
       "expected AND, OR or the end of the text at character 11, found '\xE2\x82\xAC'"},
      {Repeat("(", 33) + "[A] = 1" + Repeat(")", 33),
       "parentheses nested too deeply at character 33, at most 32 levels"},
      {"[A] = 0" + Repeat(" AND [A] = 0", 256), "too many comparisons at character 3073, at most 256"},
  };
  for (const auto& c : cases) {
    const host::Error error = testing::ThrownError([&] { Filter::Parse(c.text); }, c.text);
    EXPECT_EQ(error.number(), kFilterError) << c.text;
    EXPECT_EQ(error.description(), "filter \"" + c.text + "\": " + c.error) << c.text;
  }
}

}  // namespace
}  // namespace store
