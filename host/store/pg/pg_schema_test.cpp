#include "host/store/pg/pg_schema.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

#include "host/error.h"
#include "host/store/dialect.h"
#include "host/store/pg/pg_statement.h"
#include "host/store/pg/pg_test_database.h"
#include "host/store/schema.h"
#include "host/store/test_store.h"

namespace store::pg {
namespace {

class PostgresSchemaTest : public testing::ServerTest {
 protected:
  std::unique_ptr<Database> db_;
};

TEST_F(PostgresSchemaTest, MakesAStoreOnlyWhereThereIsNone) {
  const std::string shown = database_->location();
  EXPECT_EQ(store::testing::ThrownError([&] { OpenStore(shown); }).description(),
            "cannot open the CRM store " + shown + ": not a CRM store (the database has no schema quorvia)");
  db_ = CreateStore(shown, "5354", "16.0");
  EXPECT_TRUE(HasJournal(*OpenStore(shown)));
  EXPECT_EQ(store::testing::ThrownError([&] { CreateStore(shown, "FFFF", "15.0"); }).description(),
            "cannot open the CRM store " + shown + ": the database holds a CRM store already; it is not overwritten");
  Statement store(*db_, "SELECT store_id || ' ' || outlook_version FROM store");
  ASSERT_TRUE(store.Step());
  EXPECT_EQ(store.Text(0), "5354 16.0");
  EXPECT_FALSE(db_->InTransaction());
  Statement(*db_, "UPDATE meta SET layout = 5").Run();
  EXPECT_EQ(store::testing::ThrownError([&] { OpenStore(shown); }).description(),
            "cannot open the CRM store " + shown +
                ": store layout version 5 is not supported (this program reads versions 1 to 4); the file is left "
                "unchanged");
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
  const auto sqlite = CreateStore(dir.File("crm.db"), "5354", "16.0");
  db_ = CreateStore(database_->location(), "5354", "16.0");
  std::string order[2], kinds[2], above[2];
  Database* engines[] = {sqlite.get(), db_.get()};
  for (int e = 0; e < 2; ++e) {
    Database& db = *engines[e];
    db.Exec("INSERT INTO folders (id, entry_id, name, default_message_class) VALUES (1, 'F1', 'f', 'IPM.Post')");
    for (std::int64_t n = 1; n <= static_cast<std::int64_t>(std::size(values)); ++n) {
      const WrittenValue& value = values[n - 1];
      Statement(db, "INSERT INTO items (id, entry_id, folder, message_class, subject) VALUES (?1, ?2, 1, 'IPM', ?3)")
          .Bind(1, n)
          .Bind(2, std::string("E").append(std::to_string(n)))
          .Bind(3, value.text != nullptr ? value.text : "")
          .Run();
      Statement insert(db, "INSERT INTO properties (item, folder, name, type, value) VALUES (?, 1, 'AccountID', ?, ?)");
      insert.Bind(1, n).Bind(2, value.type);
      if (value.number) insert.Bind(3, *value.number);
      if (value.text != nullptr) insert.Bind(3, value.text);
      insert.Run();
    }
    for (Statement rows(db, (std::string("SELECT item, ") + db.dialect().value_type + " FROM properties ORDER BY " +
                             db.dialect().value_order + ", item").c_str());
         rows.Step();) {
      order[e] += rows.Text(0) + " ";
      kinds[e] += rows.Text(1) + " ";
    }
    Statement rows(db, (std::string("SELECT item FROM properties WHERE ") + db.dialect().number_value +
                        " > ?1 ORDER BY item").c_str());
    for (rows.Bind(1, std::int64_t{2}); rows.Step();) above[e] += rows.Text(0) + " ";
  }
  EXPECT_EQ(order[1], order[0]);
  EXPECT_EQ(kinds[1], kinds[0]);
  EXPECT_EQ(above[1], above[0]);
  std::string subjects;
  for (Statement rows(*db_, "SELECT subject FROM items WHERE subject > 'A' ORDER BY subject"); rows.Step();) {
    subjects += rows.Text(0) + "|";
  }
  EXPECT_EQ(subjects, "A b|Ab|B|Z|a|ab|b|é|");
}

}  // namespace
}  // namespace store::pg
