#include "host/store/pg/pg_schema.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

#include "host/error.h"
#include "host/store/pg/pg_statement.h"
#include "host/store/pg/pg_test_database.h"
#include "host/store/schema.h"
#include "host/store/sqlite/sqlite_database.h"

namespace store::pg {
namespace {

using testing::TestDatabase;
using testing::TestServer;

class PostgresSchemaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto server = TestServer();
    if (!server) GTEST_SKIP() << "QUORVIA_TEST_PG names no test server (ctest sets it)";
    database_.emplace(*server);
  }
  template <class Run>
  static std::string Failure(const Run& run) {
    try {
      run();
    } catch (const host::Error& error) {
      return error.description();
    }
    return "";
  }

  std::optional<TestDatabase> database_;
  std::unique_ptr<Database> db_;
};

TEST_F(PostgresSchemaTest, MakesAStoreOnlyWhereThereIsNone) {
  const std::string shown = database_->location();
  EXPECT_EQ(Failure([&] { OpenStore(shown); }),
            "cannot open the CRM store " + shown + ": not a CRM store (the database has no schema quorvia)");
  db_ = CreateStore(shown, "5354", "16.0");
  EXPECT_TRUE(HasJournal(*OpenStore(shown)));
  EXPECT_EQ(Failure([&] { CreateStore(shown, "FFFF", "15.0"); }),
            "cannot open the CRM store " + shown + ": the database holds a CRM store already; it is not overwritten");
  Statement store(*db_, "SELECT store_id || ' ' || outlook_version FROM store");
  ASSERT_TRUE(store.Step());
  EXPECT_EQ(store.Text(0), "5354 16.0");
  EXPECT_FALSE(db_->InTransaction());
  Statement(*db_, "UPDATE meta SET layout = 5").Run();
  EXPECT_EQ(Failure([&] { OpenStore(shown); }),
            "cannot open the CRM store " + shown +
                ": store layout version 5 is not supported (this program reads versions 1 to 4); the file is left "
                "unchanged");
}

// What SQLite's untyped column holds for each value, and how the store on
// PostgreSQL keeps it.
struct StoredValue {
  const char* sqlite;  // a literal
  const char* value_class;
  const char* integer;
  const char* real;
  const char* text;
};

// Text, keys and values order by their bytes, as they do in a SQLite file,
// whatever the server's own collation: "B" before "a", "Z" before "é".
TEST_F(PostgresSchemaTest, OrdersTextAndValuesAsSqliteDoes) {
  const StoredValue values[] = {
      {"'a'", "text", nullptr, nullptr, "a"},       {"'B'", "text", nullptr, nullptr, "B"},
      {"'é'", "text", nullptr, nullptr, "é"},       {"'Z'", "text", nullptr, nullptr, "Z"},
      {"'10'", "text", nullptr, nullptr, "10"},     {"''", "text", nullptr, nullptr, ""},
      {"'b'", "text", nullptr, nullptr, "b"},       {"'A b'", "text", nullptr, nullptr, "A b"},
      {"10", "integer", "10", nullptr, nullptr},    {"-3", "integer", "-3", nullptr, nullptr},
      {"2.5", "real", nullptr, "2.5", nullptr},     {"NULL", "null", nullptr, nullptr, nullptr},
      {"'ab'", "text", nullptr, nullptr, "ab"},     {"'Ab'", "text", nullptr, nullptr, "Ab"},
  };
  SqliteDatabase sqlite(":memory:", Database::Mode::kOpenExisting);
  sqlite.Exec("CREATE TABLE p (n INTEGER PRIMARY KEY, value)");
  db_ = CreateStore(database_->location(), "5354", "16.0");
  db_->Exec("INSERT INTO folders (id, entry_id, name, default_message_class) VALUES (1, 'F1', 'f', 'IPM.Post')");
  int n = 0;
  for (const StoredValue& value : values) {
    ++n;
    sqlite.Exec(("INSERT INTO p VALUES (" + std::to_string(n) + ", " + value.sqlite + ")").c_str());
    Statement(*db_, "INSERT INTO items (id, entry_id, folder, message_class, subject) VALUES (?1, ?1, 1, 'IPM', ?2)")
        .Bind(1, std::int64_t{n})
        .Bind(2, value.text != nullptr ? value.text : "")
        .Run();
    Statement insert(*db_,
                     "INSERT INTO properties (item, folder, name, type, value_class, value_integer, value_real, "
                     "value_text) VALUES (?1, 1, 'AccountID', 'text', ?2, ?3::bigint, ?4::float8, ?5)");
    insert.Bind(1, std::int64_t{n}).Bind(2, value.value_class);
    const char* columns[] = {value.integer, value.real, value.text};
    for (int column = 0; column < 3; ++column) {
      if (columns[column] != nullptr) insert.Bind(3 + column, columns[column]);
    }
    insert.Run();
  }
  std::string in_sqlite, on_server;
  for (store::Statement rows(sqlite, "SELECT n FROM p ORDER BY value, n"); rows.Step();) {
    in_sqlite += std::to_string(rows.Int(0)) + " ";
  }
  for (Statement rows(*db_, "SELECT item FROM properties WHERE name = 'AccountID' "
                            "ORDER BY value_order, COALESCE(value_integer, value_real), value_text, item");
       rows.Step();) {
    on_server += std::to_string(rows.Int(0)) + " ";
  }
  EXPECT_EQ(on_server, in_sqlite);
  std::string subjects;
  for (Statement rows(*db_, "SELECT subject FROM items WHERE subject > 'A' ORDER BY subject"); rows.Step();) {
    subjects += rows.Text(0) + "|";
  }
  EXPECT_EQ(subjects, "A b|Ab|B|Z|a|ab|b|é|");
}

}  // namespace
}  // namespace store::pg
