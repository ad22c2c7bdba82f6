#include "host/odbc/odbc_connection.h"

#include <gmock/gmock.h>
#include <sql.h>

#include <functional>

#include "host/odbc/odbc_error.h"
#include "host/odbc/odbc_recordset.h"
#include "host/odbc/reports_source_test_fixture.h"

namespace odbc::testing {
namespace {

using OdbcConnectionTest = ReportsSourceTest;

TEST_F(OdbcConnectionTest, StoresBoundValuesLiterally) {
  auto connection = Connected();
  connection->Execute("create table x (id integer, value text)");
  const Row values = {"O'Brien", "'); drop table x; --", "Zoë ü €", "", std::nullopt,
                      std::string(5000, 'v')};
  std::vector<Row> stored;
  for (std::size_t i = 0; i < values.size(); ++i) {
    connection->Execute("insert into x (id, value) values (?, ?)", {std::to_string(i), values[i]});
    stored.push_back({values[i]});
  }
  EXPECT_EQ(Rows(connection, "select value from x order by id"), stored);
}

TEST_F(OdbcConnectionTest, AConnectionThatReadsRefusesEveryChange) {
  auto writer = Connected();
  writer->Execute("create table t (a text)");
  writer->Execute("insert into t values ('kept')");
  auto reader = Connected(host::ado::kModeRead);
  for (const char* statement : {"delete from t", "insert into t values ('x')", "create table u (a text)",
                                "drop table t"}) {
    EXPECT_EQ(ErrorNumberOf([&] { reader->Execute(statement); }), host::ado::kFail) << statement;
  }
  EXPECT_EQ(Rows(reader, "select a from t"), (std::vector<Row>{{"kept"}}));
  // A change that gets past the engine's setting is rolled back at Close.
  reader->Execute("pragma query_only = 0");
  reader->Execute("delete from t");
  reader->Close();
  EXPECT_EQ(Rows(writer, "select a from t"), (std::vector<Row>{{"kept"}}));
  // Its physical connection, taken again, reads only again.
  reader = Connected(host::ado::kModeRead);
  EXPECT_EQ(ErrorNumberOf([&] { reader->Execute("delete from t"); }), host::ado::kFail);
  reader->Close();
  EXPECT_EQ(ErrorNumberOf([&] { writer->Execute("delete from t"); }), 0) << "a closed reader holds no transaction";
}

// A temporary table lives as long as its physical connection and is seen on
// it only: where it is seen, the connection was taken from the pool.
TEST_F(OdbcConnectionTest, AClosedConnectionIsTakenAgainOnlyByTheNextOpenOfTheSameSourceAndMode) {
  const auto nothing = [](ConnectionPool&) {};
  const auto disconnect_kept = [](ConnectionPool& pool) {
    const ConnectionTarget target{"QuorviaReports", "", "", 3};
    auto kept = pool.Take(target, "");
    SQLDisconnect(kept->get());
    pool.Give(target, std::move(kept));
  };
  const struct {
    const char* name;
    bool close_first;
    int mode;
    std::function<void(ConnectionPool&)> between;
    bool seen;
  } cases[] = {
      {"closed, then opened again", true, 3, nothing, true},
      {"open while the first is", false, 3, nothing, false},
      {"closed, then opened to read", true, host::ado::kModeRead, nothing, false},
      {"closed, its physical connection broken", true, 3, disconnect_kept, false},
  };
  for (const auto& c : cases) {
    const auto pool = std::make_shared<ConnectionPool>();
    const auto open = [&](int mode) {
      auto connection = host::MakeRef<OdbcConnection>(pool);
      connection->SetMode(mode);
      connection->Open("QuorviaReports", "", "", -1);
      return connection;
    };
    auto first = open(3);
    first->Execute("create temporary table marker (a text)");
    if (c.close_first) first->Close();
    c.between(*pool);
    auto second = open(c.mode);
    EXPECT_EQ(ErrorNumberOf([&] { Rows(second, "select a from marker"); }), c.seen ? 0 : host::ado::kNoTable)
        << c.name;
    EXPECT_EQ(Rows(second, "select 1"), (std::vector<Row>{{"1"}})) << c.name;
  }
}

TEST_F(OdbcConnectionTest, ReportsEachFailureWithItsNumberAndTheDriversText) {
  const struct {
    std::string source;
    std::string statement;
    long number;
    std::string description_start;
    std::string driver_text;
  } cases[] = {
      {"NoSuchSource", "", host::ado::kFail, "cannot open the data source NoSuchSource: ",
       "Data source name not found"},
      {"QuorviaReports", "update [Nowhere] set a = 1", host::ado::kNoTable,
       "cannot execute the statement on the data source QuorviaReports: ", "no such table: Nowhere"},
      {"QuorviaReports", "update set where", host::ado::kErrorsInCommand,
       "cannot execute the statement on the data source QuorviaReports: ", "syntax error"},
  };
  for (const auto& c : cases) {
    auto connection = host::MakeRef<OdbcConnection>(source_.pool());
    const std::string what = c.source + " " + c.statement;
    const host::Error error = store::testing::ThrownError([&] {
      connection->Open(c.source, "", "", -1);
      connection->Execute(c.statement);
    }, what);
    EXPECT_EQ(error.number(), c.number) << what;
    EXPECT_THAT(error.description(), ::testing::AllOf(::testing::StartsWith(c.description_start),
                                                      ::testing::HasSubstr(c.driver_text)));
  }
}

TEST_F(OdbcConnectionTest, ClosingEndsItsRecordsetsAndTwiceIsHarmless) {
  auto connection = Connected();
  connection->Execute("create table t (a text)");
  auto recordset = host::MakeRef<OdbcRecordset>();
  recordset->Open("select a from t", connection);
  connection->Close();
  connection->Close();
  const std::vector<std::pair<const char*, std::function<void()>>> calls = {
      {"Execute", [&] { connection->Execute("select 1"); }},
      {"IdentifierQuote", [&] { connection->IdentifierQuote(); }},
      {"Recordset.Eof", [&] { recordset->Eof(); }},
      {"Recordset.Close", [&] { recordset->Close(); }},
      {"Recordset.Open", [&] { host::MakeRef<OdbcRecordset>()->Open("select 1", connection); }},
  };
  for (const auto& [name, call] : calls) {
    EXPECT_EQ(ErrorNumberOf(call), host::ado::kObjectClosed) << name;
  }
}

// Drivers that report SQLSTATEs of their own, which the SQLite driver does not.
TEST(OdbcErrorNumberTest, FollowsTheStatesBeforeTheMessages) {
  const struct {
    const char* states;
    const char* messages;
    long number;
  } cases[] = {
      {"42S02", "Invalid object name 'x'", host::ado::kNoTable},
      {"0100042S02", "", host::ado::kNoTable},
      {"42000", "Incorrect syntax near 'x'", host::ado::kErrorsInCommand},
      {"0100042S22", "Invalid column name 'x'", host::ado::kErrorsInCommand},
      {"HY000", "near \"set\": syntax error (1)", host::ado::kErrorsInCommand},
      {"08001", "could not connect", host::ado::kFail},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ErrorNumber(c.states, c.messages), c.number) << c.states << " " << c.messages;
  }
}

}  // namespace
}  // namespace odbc::testing
