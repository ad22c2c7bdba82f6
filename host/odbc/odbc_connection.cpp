#include "host/odbc/odbc_connection.h"

#include <sqlext.h>

#include <array>
#include <optional>

#include "host/odbc/engine_dialect.h"
#include "host/odbc/odbc_error.h"

namespace odbc {
namespace {

SQLCHAR* Text(const std::string& text) {
  return reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str()));
}

std::string Named(const std::string& source) {
  return source.find('=') == std::string::npos ? "the data source " + source
                                               : "the data source of the connection string";
}

}  // namespace

OdbcConnection::~OdbcConnection() { Close(); }

std::string OdbcConnection::name() const { return Named(target_.source); }

void OdbcConnection::Open(const std::string& source, const std::string& user,
                          const std::string& password, int /*options*/) {
  if (connection_) throw ObjectOpen();
  const std::string context = "cannot open " + Named(source);
  target_ = {source, user, password, mode_};
  connection_ = pool_->Take(target_, context);
  if (mode_ != host::ado::kModeRead) return;
  try {
    // Also on a connection taken from the pool: a statement may have undone it.
    MakeReadOnly(context);
  } catch (...) {
    connection_.reset();
    throw;
  }
}

void OdbcConnection::MakeReadOnly(const std::string& context) {
  const std::string engine = Info(SQL_DBMS_NAME, context);
  const std::optional<ReadOnlySession> session = ReadOnlySessionOn(engine);
  if (!session) {
    throw host::Error(host::ado::kFail, context + ": reading only is held on SQLite and PostgreSQL, not on " + engine);
  }
  RunWhole(session->statement, context);
  read_only_ = true;
  transaction_ = session->transaction;
  if (transaction_ == ReadOnlySession::Transaction::kStatements) {
    RunWhole("BEGIN", context);
    return;
  }
  // Without autocommit the driver begins a transaction before the first
  // statement, which Close rolls back: nothing is ever committed.
  Check(SQLSetConnectAttr(connection_->get(), SQL_ATTR_AUTOCOMMIT,
                          reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0),
        SQL_HANDLE_DBC, connection_->get(), context, false);
}

void OdbcConnection::RunWhole(const std::string& statement, const std::string& context) {
  const auto handle = NewStatement();
  const SQLRETURN result = SQLExecDirect(handle->get(), Text(statement), SQL_NTS);
  // A warning would say that it did not take.
  if (result != SQL_SUCCESS) Fail(result, SQL_HANDLE_STMT, handle->get(), context + ": " + statement, false);
}

bool OdbcConnection::RollBack() {
  const SQLHANDLE handle = connection_->get();
  if (transaction_ == ReadOnlySession::Transaction::kDriver) {
    return SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, handle, SQL_ROLLBACK)) &&
           SQL_SUCCEEDED(SQLSetConnectAttr(handle, SQL_ATTR_AUTOCOMMIT,
                                           reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0));
  }
  StatementHandle statement;
  return SQL_SUCCEEDED(statement.Allocate(handle)) &&
         SQL_SUCCEEDED(SQLExecDirect(statement.get(), Text("ROLLBACK"), SQL_NTS));
}

std::string OdbcConnection::Info(SQLUSMALLINT type, const std::string& context) {
  std::array<SQLCHAR, 128> text{};
  SQLSMALLINT length = 0;
  Check(SQLGetInfo(connection_->get(), type, text.data(), static_cast<SQLSMALLINT>(text.size()), &length),
        SQL_HANDLE_DBC, connection_->get(), context, false);
  return reinterpret_cast<const char*>(text.data());
}

std::shared_ptr<StatementHandle> OdbcConnection::NewStatement() {
  if (!connection_) throw ObjectClosed();
  auto statement = std::make_shared<StatementHandle>();
  Check(statement->Allocate(connection_->get()), SQL_HANDLE_DBC, connection_->get(),
        "cannot make a statement on " + name(), false);
  std::erase_if(statements_, [](const auto& weak) { return weak.expired(); });
  statements_.push_back(statement);
  return statement;
}

void OdbcConnection::Execute(const std::string& statement) { Execute(statement, {}); }

void OdbcConnection::Execute(const std::string& statement,
                             const std::vector<std::optional<std::string>>& parameters) {
  const auto handle = NewStatement();
  const std::string context = "cannot execute the statement on " + name();
  Check(SQLPrepare(handle->get(), Text(statement), SQL_NTS), SQL_HANDLE_STMT, handle->get(),
        context);
  std::vector<SQLLEN> lengths(parameters.size());
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    const auto& value = parameters[i];
    lengths[i] = value ? static_cast<SQLLEN>(value->size()) : SQL_NULL_DATA;
    const auto size = static_cast<SQLULEN>(value && !value->empty() ? value->size() : 1);
    Check(SQLBindParameter(handle->get(), static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT,
                           SQL_C_CHAR, SQL_VARCHAR, size, 0,
                           value ? Text(*value) : nullptr, 0, &lengths[i]),
          SQL_HANDLE_STMT, handle->get(), context);
  }
  Check(SQLExecute(handle->get()), SQL_HANDLE_STMT, handle->get(), context);
}

std::optional<long> OdbcConnection::CountRows(const std::string& query) {
  if (!connection_) throw ObjectClosed();
  OdbcConnection counter(pool_);
  counter.SetMode(mode_);
  try {
    counter.Open(target_.source, target_.user, target_.password, 0);
  } catch (const host::Error&) {
    return std::nullopt;
  }
  const auto handle = counter.NewStatement();
  // The query on lines of its own, so that a comment ending it ends there.
  const std::string count = "SELECT COUNT(*) FROM (\n" + query + "\n) AS counted";
  SQLBIGINT rows = 0;
  SQLLEN indicator = 0;
  if (!SQL_SUCCEEDED(SQLExecDirect(handle->get(), Text(count), SQL_NTS)) ||
      !SQL_SUCCEEDED(SQLFetch(handle->get())) ||
      !SQL_SUCCEEDED(SQLGetData(handle->get(), 1, SQL_C_SBIGINT, &rows, 0, &indicator)) ||
      indicator == SQL_NULL_DATA) {
    return std::nullopt;
  }
  return static_cast<long>(rows);
}

std::string OdbcConnection::IdentifierQuote() {
  if (!connection_) throw ObjectClosed();
  const std::string context = "cannot read the identifier quote of " + name();
  const std::string quote = Info(SQL_IDENTIFIER_QUOTE_CHAR, context);
  return NameQuote(Info(SQL_DBMS_NAME, context), quote == " " ? "" : quote);
}

void OdbcConnection::Close() {
  if (!connection_) return;
  // Statements die with the connection; their owners then see no handle.
  for (const auto& weak : statements_) {
    if (const auto statement = weak.lock()) statement->Reset();
  }
  statements_.clear();
  GiveBack();
}

void OdbcConnection::GiveBack() {
  const bool reset = !read_only_ || RollBack();
  read_only_ = false;
  if (reset) pool_->Give(target_, std::move(connection_));
  connection_.reset();
}

}  // namespace odbc
