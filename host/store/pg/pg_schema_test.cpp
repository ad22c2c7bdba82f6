#include "host/store/pg/pg_schema.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "host/error.h"
#include "host/store/dialect.h"
#include "host/store/pg/pg_statement.h"
#include "host/store/pg/pg_test_database.h"
#include "host/store/schema.h"
#include "host/store/test_store.h"

namespace store::pg {
namespace {

using PostgresSchemaTest = testing::ServerTest;

TEST_F(PostgresSchemaTest, MakesAStoreOnlyWhereThereIsNone) {
  const std::string shown = database_->location();
  EXPECT_EQ(store::testing::ThrownError([&] { OpenStore(shown); }).description(),
            "cannot open the CRM store " + shown + ": not a CRM store (the database has no schema quorvia)");
  const auto db = CreateStore(shown, "5354", "16.0");
  EXPECT_TRUE(HasJournal(*OpenStore(shown)));
  EXPECT_EQ(store::testing::ThrownError([&] { CreateStore(shown, "FFFF", "15.0"); }).description(),
            "cannot open the CRM store " + shown + ": the database holds a CRM store already; it is not overwritten");
  Statement store(*db, "SELECT store_id || ' ' || outlook_version FROM store");
  ASSERT_TRUE(store.Step());
  EXPECT_EQ(store.Text(0), "5354 16.0");
  EXPECT_FALSE(db->InTransaction());
  Statement(*db, "UPDATE meta SET layout = 5").Run();
  // The whole text is OpenStoreTest's.
  EXPECT_THAT(store::testing::ThrownError([&] { OpenStore(shown); }).description(),
              ::testing::HasSubstr(shown + ": store layout version 5 is not supported"));
}

// A property value as the store writes it: an integer (type integer), text
// (type text, or an empty integer) or NULL.
struct WrittenValue {
  const char* type;
  std::optional<std::int64_t> number;
  const char* text;  // nullptr with a number, or for NULL
};

// Keys and values order by their bytes and compare with numbers as they do
// in a SQLite file, whatever the server's own collation: "B" before "a", "Z"
// before "é", NULL first, numbers before text; and each value is of the
// kind SQLite keeps it as.
TEST_F(PostgresSchemaTest, OrdersTextAndValuesAsSqliteDoes) {
  const WrittenValue values[] = {
      {"text", {}, "a"},     {"text", {}, "B"},  {"text", {}, "é"},    {"text", {}, "Z"},   {"text", {}, "10"},
      {"text", {}, ""},      {"text", {}, "b"},  {"text", {}, "A b"},  {"integer", 10, {}}, {"boolean", -3, {}},
      {"integer", {}, ""},   {"text", {}, {}},   {"text", {}, "ab"},   {"text", {}, "Ab"},  {"integer", 2, {}},
  };
  store::testing::TempDir dir;
  store::testing::TestStore stores[] = {store::testing::TestStore(dir.File("crm.db")),
                                        store::testing::TestStore(database_->location())};
  // The first column of every row `rows` yields, each followed by "|".
  const auto joined = [](auto&& rows) {
    std::string text;
    while (rows.Step()) text += rows.Text(0) + "|";
    return text;
  };
  std::string answers[2];
  for (int e = 0; e < 2; ++e) {
    Database& db = stores[e].db();
    const std::int64_t folder = stores[e].AddFolder("f");
    for (const WrittenValue& value : values) {
      const std::int64_t n = stores[e].AddItem(folder, "IPM", {}, value.text != nullptr ? value.text : "");
      Statement insert(db, "INSERT INTO properties (item, folder, name, type, value) VALUES (?, ?, 'AccountID', ?, ?)");
      insert.Bind(1, n).Bind(2, folder).Bind(3, value.type);
      if (value.number) insert.Bind(4, *value.number);
      if (value.text != nullptr) insert.Bind(4, value.text);
      insert.Run();
    }
    const Dialect& dialect = db.dialect();
    answers[e] = joined(Statement(db, (std::string("SELECT item || ' ' || ") + dialect.value_type +
                                       " FROM properties ORDER BY " + dialect.value_order + ", item").c_str())) +
                 joined(Statement(db, (std::string("SELECT item FROM properties WHERE ") + dialect.number_value +
                                       " > ?1 ORDER BY item").c_str()).Bind(1, std::int64_t{2}));
  }
  EXPECT_EQ(answers[1], answers[0]);
  EXPECT_EQ(joined(Statement(stores[1].db(), "SELECT subject FROM items WHERE subject > 'A' ORDER BY subject")),
            "A b|Ab|B|Z|a|ab|b|é|");
}

}  // namespace
}  // namespace store::pg
