#include "bench/plain_update.h"

#include <sql.h>
#include <sqlext.h>

#include <array>
#include <optional>
#include <string_view>

#include "bench/bench_support.h"
#include "host/odbc/engine_dialect.h"
#include "host/odbc/odbc_handle.h"
#include "reports/update_statement.h"

namespace bench {
namespace {

constexpr char kDataSource[] = "QuorviaReports";
constexpr char kKeyColumn[] = "AccountID";
constexpr char kCompanyColumn[] = "COMPANY";

SQLCHAR* Text(const std::string& text) { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str())); }

// Fails with `what`, `subject` and the driver's first diagnostic.
[[noreturn]] void FailOdbc(SQLSMALLINT type, SQLHANDLE handle, const char* what, const std::string& subject) {
  std::array<SQLCHAR, 6> state{};
  std::array<SQLCHAR, 1024> text{};
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  std::string message = std::string(what) + subject;
  if (SQL_SUCCEEDED(SQLGetDiagRec(type, handle, 1, state.data(), &native, text.data(),
                                  static_cast<SQLSMALLINT>(text.size()), &length))) {
    message.append(": ").append(reinterpret_cast<const char*>(text.data()));
  }
  Fail(message);
}

void Check(SQLRETURN result, SQLSMALLINT type, SQLHANDLE handle, const char* what,
           const std::string& subject = "") {
  if (!SQL_SUCCEEDED(result)) FailOdbc(type, handle, what, subject);
}

// One open connection, its identifier quote and the two statements a level
// uses: the schema queries and the updates.
class Connection {
 public:
  Connection(SQLHANDLE environment, PlainUpdateCounts& counts) {
    Check(connection_.Allocate(environment), SQL_HANDLE_ENV, environment, "cannot make a connection");
    Check(SQLConnect(connection_.get(), Text(kDataSource), SQL_NTS, nullptr, 0, nullptr, 0), SQL_HANDLE_DBC,
          connection_.get(), "cannot connect to ", kDataSource);
    // The quote the program writes names with, from the same two answers.
    const std::string quote = Info(SQL_IDENTIFIER_QUOTE_CHAR, "cannot read the identifier quote");
    quote_ = odbc::NameQuote(Info(SQL_DBMS_NAME, "cannot read the engine's name"), quote == " " ? "" : quote);
    Check(schema_.Allocate(connection_.get()), SQL_HANDLE_DBC, connection_.get(), "cannot make a statement");
    Check(update_.Allocate(connection_.get()), SQL_HANDLE_DBC, connection_.get(), "cannot make a statement");
    ++counts.connections;
  }
  ~Connection() {
    schema_.Reset();
    update_.Reset();
    SQLDisconnect(connection_.get());
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  const std::string& quote() const { return quote_; }

  // Runs `query` and reads the first column of every row; yields how many
  // rows hold `wanted`.
  int CountListed(const std::string& query, std::string_view wanted) {
    const SQLHANDLE statement = schema_.get();
    Check(SQLExecDirect(statement, Text(query), SQL_NTS), SQL_HANDLE_STMT, statement, "cannot run ", query);
    int listed = 0;
    for (SQLRETURN fetched = SQLFetch(statement); fetched != SQL_NO_DATA; fetched = SQLFetch(statement)) {
      Check(fetched, SQL_HANDLE_STMT, statement, "cannot read a row of ", query);
      std::array<char, 256> name{};
      SQLLEN indicator = 0;
      Check(SQLGetData(statement, 1, SQL_C_CHAR, name.data(), static_cast<SQLLEN>(name.size()), &indicator),
            SQL_HANDLE_STMT, statement, "cannot read a field name of ", query);
      if (indicator >= static_cast<SQLLEN>(name.size())) Fail("a field name too long for the buffer in " + query);
      if (indicator != SQL_NULL_DATA && std::string_view(name.data(), static_cast<std::size_t>(indicator)) == wanted) {
        ++listed;
      }
    }
    SQLFreeStmt(statement, SQL_CLOSE);
    return listed;
  }

  void Execute(const SentStatement& sent) {
    const SQLHANDLE statement = update_.get();
    Check(SQLPrepare(statement, Text(sent.text), SQL_NTS), SQL_HANDLE_STMT, statement, "cannot prepare ", sent.text);
    std::vector<SQLLEN> lengths(sent.values.size());
    for (std::size_t i = 0; i < sent.values.size(); ++i) {
      const std::string& value = sent.values[i];
      lengths[i] = static_cast<SQLLEN>(value.size());
      Check(SQLBindParameter(statement, static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR,
                             value.empty() ? 1 : value.size(), 0, Text(value), 0, &lengths[i]),
            SQL_HANDLE_STMT, statement, "cannot bind a value of ", sent.text);
    }
    // An update that matches no row yields SQL_NO_DATA.
    const SQLRETURN result = SQLExecute(statement);
    if (result != SQL_NO_DATA) Check(result, SQL_HANDLE_STMT, statement, "cannot execute ", sent.text);
    SQLFreeStmt(statement, SQL_RESET_PARAMS);
  }

 private:
  std::string Info(SQLUSMALLINT type, const char* what) {
    std::array<SQLCHAR, 128> text{};
    SQLSMALLINT length = 0;
    Check(SQLGetInfo(connection_.get(), type, text.data(), static_cast<SQLSMALLINT>(text.size()), &length),
          SQL_HANDLE_DBC, connection_.get(), what);
    return reinterpret_cast<const char*>(text.data());
  }

  odbc::ConnectionHandle connection_;
  odbc::StatementHandle schema_;
  odbc::StatementHandle update_;
  std::string quote_;
};

class PlainWalk {
 public:
  PlainWalk(const UpdateAccount& account, std::vector<SentStatement>* sent) : account_(account), sent_(sent) {
    Check(environment_.Allocate(SQL_NULL_HANDLE), SQL_HANDLE_ENV, SQL_NULL_HANDLE, "cannot make an environment");
    Check(SQLSetEnvAttr(environment_.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
          SQL_HANDLE_ENV, environment_.get(), "cannot ask for ODBC 3");
  }

  PlainUpdateCounts Run(const std::vector<ReportFolder>& tree, Connections connections) {
    if (connections == Connections::kPerLevel) {
      Level(tree, nullptr);
    } else {
      Connection shared(environment_.get(), counts_);
      Level(tree, &shared);
    }
    return counts_;
  }

 private:
  // One level of the walk, on `shared` or else on a connection of its own.
  void Level(const std::vector<ReportFolder>& folders, Connection* shared) {
    std::optional<Connection> own;
    Connection& connection = shared != nullptr ? *shared : own.emplace(environment_.get(), counts_);
    for (const ReportFolder& folder : folders) {
      UpdateTable(connection, folder);
      if (!folder.children.empty()) Level(folder.children, shared);
    }
  }

  void UpdateTable(Connection& connection, const ReportFolder& folder) {
    const std::string& quote = connection.quote();
    const std::string query = reports::SchemaQuery(folder.name, quote);
    if (sent_ != nullptr) sent_->push_back({query, {}});
    SentStatement update;
    std::string set_list;
    for (const auto& [field, value] : account_.fields) {
      for (int listed = connection.CountListed(query, field); listed > 0; --listed) {
        set_list.append(set_list.empty() ? "Set " : ", ").append(reports::QuotedName(field, quote)).append(" = ?");
        update.values.push_back(value);
      }
      ++counts_.schema_queries;
    }
    update.text = "update ";
    update.text.append(reports::QuotedName(folder.name, quote)).append(" ").append(set_list);
    if (folder.contact) {
      update.text.append(",").append(reports::QuotedName(kCompanyColumn, quote)).append(" = ?");
      update.values.push_back(AccountName(account_));
    }
    update.text.append(" where ").append(reports::QuotedName(kKeyColumn, quote)).append(" = ?");
    update.values.push_back(account_.key);
    connection.Execute(update);
    ++counts_.updates;
    if (sent_ != nullptr) sent_->push_back(std::move(update));
  }

  const UpdateAccount& account_;
  std::vector<SentStatement>* sent_;
  odbc::Environment environment_;
  PlainUpdateCounts counts_;
};

}  // namespace

PlainUpdateCounts PlainUpdate(const std::vector<ReportFolder>& tree, const UpdateAccount& account,
                              Connections connections, std::vector<SentStatement>* sent) {
  return PlainWalk(account, sent).Run(tree, connections);
}

}  // namespace bench
