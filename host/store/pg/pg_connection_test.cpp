#include "host/store/pg/pg_connection.h"

#include <gtest/gtest.h>

#include <exception>
#include <functional>
#include <limits>
#include <memory>
#include <thread>

#include "host/error.h"
#include "host/store/pg/pg_statement.h"
#include "host/store/pg/pg_test_database.h"
#include "host/store/test_store.h"

namespace store::pg {
namespace {

using namespace std::chrono_literals;
using Control = Connection::Control;

class PostgresConnectionTest : public testing::ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    if (IsSkipped()) return;
    db_ = Open();
    db_->Exec(
        "CREATE SCHEMA quorvia; CREATE TABLE t (k integer PRIMARY KEY, v text, i bigint, r double precision);"
        "INSERT INTO t (k, v) VALUES (1, 'one'), (2, 'two'), (3, 'three')");
  }
  // A connection whose location carries a password, which no message may show.
  std::unique_ptr<Connection> Open(Database::Mode mode = Database::Mode::kOpenExisting) {
    return std::make_unique<Connection>(location_with_password(), mode);
  }
  std::string location_with_password() const { return database_->location() + " password=secret"; }
  // How every message names the store.
  std::string Shown() const { return database_->location() + " password=***"; }

  std::unique_ptr<Connection> db_;
};

TEST_F(PostgresConnectionTest, ValuesRoundTripWithTheirTypes) {
  const struct {
    const char* column;
    std::function<void(Statement&)> bind;
    std::string text;
    std::int64_t integer;
    double real;
    ColumnType type;
  } cases[] = {
      {"v", [](Statement& s) { s.Bind(2, "Café ✓ 'q' \"n\" ?1"); }, "Café ✓ 'q' \"n\" ?1", 0, 0, ColumnType::kText},
      {"v", [](Statement& s) { s.Bind(2, ""); }, "", 0, 0, ColumnType::kText},
      {"v", [](Statement& s) { s.Bind(2, "12.75"); }, "12.75", 12, 12.75, ColumnType::kText},
      {"v", [](Statement& s) { s.BindNull(2); }, "", 0, 0, ColumnType::kNull},
      {"v", [](Statement&) {}, "", 0, 0, ColumnType::kNull},
      {"i", [](Statement& s) { s.Bind(2, std::numeric_limits<std::int64_t>::max()); }, "9223372036854775807",
       std::numeric_limits<std::int64_t>::max(), 9223372036854775807.0, ColumnType::kInteger},
      {"i", [](Statement& s) { s.Bind(2, std::numeric_limits<std::int64_t>::min()); }, "-9223372036854775808",
       std::numeric_limits<std::int64_t>::min(), -9223372036854775808.0, ColumnType::kInteger},
      {"r", [](Statement& s) { s.Bind(2, 0.1); }, "0.1", 0, 0.1, ColumnType::kReal},
      {"r", [](Statement& s) { s.Bind(2, -1.5e300); }, "-1.5e+300", std::numeric_limits<std::int64_t>::min(),
       -1.5e300, ColumnType::kReal},
      {"i", [](Statement& s) { s.BindValue(2, std::int32_t{-7}); }, "-7", -7, -7, ColumnType::kInteger},
      {"i", [](Statement& s) { s.BindValue(2, true); }, "1", 1, 1, ColumnType::kInteger},
      {"v", [](Statement& s) { s.BindValue(2, host::Empty{}); }, "", 0, 0, ColumnType::kText},
      {"v", [](Statement& s) { s.BindValue(2, host::LocalTime(std::chrono::days(19724) + 3723s)); },
       "2024-01-02 01:02:03", 2024, 2024, ColumnType::kText},
  };
  int key = 10;
  for (const auto& c : cases) {
    Statement insert(*db_, ("INSERT INTO t (k, " + std::string(c.column) + ") VALUES (?1, ?)").c_str());
    insert.Bind(1, std::int64_t{++key});
    c.bind(insert);
    insert.Run();
    Statement select(*db_, ("SELECT " + std::string(c.column) + " FROM t WHERE k = ?1").c_str());
    ASSERT_TRUE(select.Bind(1, std::int64_t{key}).Step()) << c.text;
    EXPECT_EQ(select.Text(0), c.text) << c.text;
    EXPECT_EQ(select.Int(0), c.integer) << c.text;
    EXPECT_EQ(select.Real(0), c.real) << c.text;
    EXPECT_EQ(select.Type(0), c.type) << c.text;
    EXPECT_EQ(select.IsNull(0), c.type == ColumnType::kNull) << c.text;
    EXPECT_FALSE(select.Step()) << c.text;
  }
  Statement truth(*db_, "SELECT k = 1, k::numeric / 2 FROM t WHERE k = 1");
  ASSERT_TRUE(truth.Step());
  EXPECT_EQ(truth.Text(0), "1");
  EXPECT_EQ(truth.Type(0), ColumnType::kInteger);
  EXPECT_EQ(truth.Type(1), ColumnType::kReal);
  EXPECT_EQ(truth.Real(1), 0.5);
}

TEST_F(PostgresConnectionTest, RowsBeingReadSurviveOtherStatementsAndRollbacks) {
  Statement rows(*db_, "SELECT k, v FROM t ORDER BY k");
  ASSERT_TRUE(rows.Step());
  EXPECT_EQ(rows.Text(1), "one");
  // The connection is needed while rows are still coming.
  db_->Run(Control::kBegin);
  EXPECT_TRUE(db_->InTransaction());
  Statement count(*db_, "SELECT count(*) FROM t WHERE k > ?1");
  ASSERT_TRUE(count.Bind(1, std::int64_t{1}).Step());
  EXPECT_EQ(count.Int(0), 2);
  db_->Run(Control::kRollback);
  EXPECT_FALSE(db_->InTransaction());
  std::string rest;
  while (rows.Step()) rest += rows.Text(1) + ";";
  EXPECT_EQ(rest, "two;three;");
  // Stepping past the end runs the statement again, as SQLite does.
  ASSERT_TRUE(rows.Step());
  EXPECT_EQ(rows.Int(0), 1);
  rows.Reset();
  // A statement prepared inside a transaction that was rolled back is
  // still prepared.
  count.Reset();
  ASSERT_TRUE(count.Bind(1, std::int64_t{2}).Step());
  EXPECT_EQ(count.Int(0), 1);
}

TEST_F(PostgresConnectionTest, TransactionsAndSavepointsKeepOrDropWhatTheyWrote) {
  const auto value_of_one = [&] {
    Statement select(*db_, "SELECT v FROM t WHERE k = 1");
    return select.Step() ? select.Text(0) : "(none)";
  };
  db_->Run(Control::kBeginImmediate);
  Statement(*db_, "UPDATE t SET v = 'kept' WHERE k = 1").Run();
  db_->Run(Control::kSavepoint);
  Statement(*db_, "UPDATE t SET v = 'dropped' WHERE k < 3").Run();
  EXPECT_EQ(db_->Changes(), 2);
  value_of_one();
  EXPECT_EQ(db_->Changes(), 2) << "a SELECT changes nothing";
  // A failing statement spoils only the savepoint around it, and the
  // connection keeps its failure.
  EXPECT_FALSE(Statement(*db_, "UPDATE t SET k = 2 WHERE k = 1").TryRun());
  EXPECT_EQ(store::testing::ThrownError([&] { db_->Fail("the update"); }).description(),
            "the CRM store " + Shown() + ": duplicate key value violates unique constraint \"t_pkey\" (in the update)");
  db_->Run(Control::kRollbackToSavepoint);
  db_->Run(Control::kRelease);
  db_->Run(Control::kCommit);
  EXPECT_EQ(value_of_one(), "kept");
  db_->Run(Control::kBeginImmediate);
  Statement(*db_, "DELETE FROM t WHERE k = 1").Run();
  EXPECT_TRUE(db_->TryRun(Control::kRollback));
  EXPECT_EQ(value_of_one(), "kept");
}

// What a failure throws: kStatement for host::Error alone.
enum class Thrown { kNothing, kStatement, kStoreWide, kConflict };

Thrown KindOf(const host::Error& error) {
  if (dynamic_cast<const host::StoreConflict*>(&error) != nullptr) return Thrown::kConflict;
  if (dynamic_cast<const host::StoreFailure*>(&error) != nullptr) return Thrown::kStoreWide;
  return Thrown::kStatement;
}

// Two connections that each hold the row the other one then waits for: the
// server ends one of the two waits, whose connection rolls back; the error
// of that wait is thrown again.
void Deadlock(Connection& a, Connection& b) {
  a.Run(Control::kBeginImmediate);
  b.Run(Control::kBeginImmediate);
  Statement(a, "UPDATE t SET v = 'a' WHERE k = 1").Run();
  Statement(b, "UPDATE t SET v = 'b' WHERE k = 2").Run();
  const auto take = [](Connection& db, const char* sql, std::exception_ptr& failure) {
    try {
      Statement(db, sql).Run();
    } catch (const host::Error&) {
      failure = std::current_exception();
      db.TryRun(Control::kRollback);
    }
  };
  std::exception_ptr in_a, in_b;
  std::thread other([&] { take(a, "UPDATE t SET v = 'a' WHERE k = 2", in_a); });
  take(b, "UPDATE t SET v = 'b' WHERE k = 1", in_b);
  other.join();
  ASSERT_NE(in_a == nullptr, in_b == nullptr) << "exactly one of the two waits ends in a failure";
  std::rethrow_exception(in_a != nullptr ? in_a : in_b);
}

TEST_F(PostgresConnectionTest, FailuresThrowWhatTheyMeanForTheRun) {
  const std::string store = "the CRM store " + Shown();
  const struct {
    const char* what;
    std::function<void()> run;
    Thrown thrown;
    std::string message;  // the whole description, or its start when it ends in "("
  } cases[] = {
      {"a statement the server refuses", [&] { Statement(*db_, "SELEC 1").Step(); }, Thrown::kStatement,
       store + ": syntax error at or near \"SELEC\" (in SELEC 1)"},
      {"a key twice", [&] { Statement(*db_, "INSERT INTO t (k) VALUES (1)").Run(); }, Thrown::kStatement,
       store + ": duplicate key value violates unique constraint \"t_pkey\" (in INSERT INTO t (k) VALUES (1))"},
      {"a NUL byte", [&] { Statement(*db_, "SELECT ?1").Bind(1, std::string_view("a\0b", 3)); }, Thrown::kStatement,
       store + " cannot hold a NUL byte at byte 2 (parameter 1 of SELECT ?1)"},
      {"text that is not UTF-8", [&] { Statement(*db_, "SELECT ?1").Bind(1, "West\xFF"); }, Thrown::kStatement,
       store + " cannot hold text that is not UTF-8 at byte 5 (parameter 1 of SELECT ?1)"},
      {"a parameter the statement lacks", [&] { Statement(*db_, "SELECT ?1").Bind(2, std::int64_t{1}); },
       Thrown::kStatement, store + ": parameter 2 is out of range (in SELECT ?1)"},
      {"a commit after a failure",
       [&] {
         db_->Run(Control::kBeginImmediate);
         EXPECT_FALSE(Statement(*db_, "SELEC").TryRun());
         db_->Run(Control::kCommit);
       },
       Thrown::kStatement, store + ": the transaction was rolled back after a failure inside it (in COMMIT)"},
      {"a key twice among statements run ahead, told by a later statement",
       [&] {
         db_->Run(Control::kBeginImmediate);
         for (const char* sql : {"INSERT INTO t (k) VALUES (50)", "INSERT INTO t (k, v) VALUES (1, 'again')",
                                 "INSERT INTO t (k) VALUES (51)"}) {
           Statement(*db_, sql).RunAhead();
         }
         Statement(*db_, "SELECT 1").Run();
       },
       Thrown::kStatement, store + ": duplicate key value violates unique constraint \"t_pkey\" "
                                   "(in INSERT INTO t (k, v) VALUES (1, 'again'))"},
      {"nothing, for a statement prepared behind that failure, which the server skipped, once its transaction ended",
       [&] {
         Statement(*db_, "INSERT INTO t (k) VALUES (51)").Run();
         EXPECT_EQ(store::testing::CountOf(*db_, "SELECT count(*) FROM t WHERE k = 51"), 1);
       },
       Thrown::kNothing, ""},
      {"a write on a read-only connection",
       [&] { Statement(*Open(Database::Mode::kReadOnly), "DELETE FROM t").Run(); }, Thrown::kStoreWide,
       store + " is read-only"},
      {"a lock held past the busy timeout",
       [&] {
         const auto other = Open();
         other->SetBusyTimeout(150ms);
         db_->Run(Control::kBeginImmediate);
         Statement(*db_, "UPDATE t SET v = 'mine' WHERE k = 3").Run();
         Statement(*other, "UPDATE t SET v = 'theirs' WHERE k = 3").Run();
       },
       Thrown::kStoreWide, "another program kept the CRM store " + Shown() + " locked for more than 150 ms"},
      {"a row changed since the snapshot",
       [&] {
         db_->Run(Control::kBegin);
         Statement(*db_, "SELECT v FROM t WHERE k = 2").Run();
         Statement(*Open(), "UPDATE t SET v = 'theirs' WHERE k = 2").Run();
         Statement(*db_, "UPDATE t SET v = 'mine' WHERE k = 2").Run();
       },
       Thrown::kConflict, store + ": could not serialize access due to concurrent update"},
      {"a deadlock", [&] { Deadlock(*db_, *Open()); }, Thrown::kConflict, store + ": deadlock detected"},
      {"the server ending the connection while statements are run ahead",
       [&] {
         const auto ended = Open();
         ended->Run(Control::kBeginImmediate);
         Statement pid(*ended, "SELECT pg_backend_pid()");
         ASSERT_TRUE(pid.Step());
         Statement(*db_, "SELECT pg_terminate_backend(?1::integer, 10000)").Bind(1, pid.Int(0)).Run();
         Statement(*ended, "INSERT INTO t (k) VALUES (60)").RunAhead();
         ended->Run(Control::kCommit);
       },
       Thrown::kStoreWide, "the connection to the CRM store " + Shown() + " was lost ("},
      {"the server ending the connection",
       [&] {
         Statement pid(*db_, "SELECT pg_backend_pid()");
         ASSERT_TRUE(pid.Step());
         Statement(*Open(), "SELECT pg_terminate_backend(?1::integer, 10000)").Bind(1, pid.Int(0)).Run();
         Statement(*db_, "SELECT 1").Run();
       },
       Thrown::kStoreWide, "the connection to the CRM store " + Shown() + " was lost ("},
      {"a database that does not exist",
       [&] { Connection(location_with_password() + " dbname=missing", Database::Mode::kOpenExisting); },
       Thrown::kStatement, "cannot open the CRM store " + Shown() + " dbname=missing: connection to server on socket"},
  };
  for (const auto& c : cases) {
    Thrown thrown = Thrown::kNothing;
    std::string message;
    try {
      c.run();
    } catch (const host::Error& error) {
      thrown = KindOf(error);
      message = error.description();
    }
    EXPECT_EQ(thrown, c.thrown) << c.what << ": " << message;
    if (c.message.ends_with('(') || c.message.ends_with("socket")) {
      EXPECT_TRUE(message.starts_with(c.message)) << c.what << ": " << message;
    } else {
      EXPECT_EQ(message, c.message) << c.what;
    }
    EXPECT_EQ(message.find("secret"), std::string::npos) << c.what << ": " << message;
    if (db_->InTransaction()) db_->TryRun(Control::kRollback);
  }
}

}  // namespace
}  // namespace store::pg
