#include "host/odbc/odbc_connection.h"

#include <dlfcn.h>
#include <sqlext.h>

#include <array>

#include "host/odbc/odbc_error.h"

namespace odbc {
namespace {

SQLCHAR* Text(const std::string& text) {
  return reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str()));
}

SQLSMALLINT Length(const std::string& text) { return static_cast<SQLSMALLINT>(text.size()); }

std::string Named(const std::string& source) {
  return source.find('=') == std::string::npos ? "the data source " + source
                                               : "the data source of the connection string";
}

// The driver manager loads its configuration library for every connection
// and unloads it on disconnect, dropping the odbc.ini it parsed. Held loaded
// once, the library keeps that parse across the nested connections of a
// folder walk, and its caches stay reachable instead of orphaned.
void HoldConfigurationLibrary() {
  static void* const library = dlopen("libodbcinst.so.2", RTLD_NOW | RTLD_NODELETE);
  static_cast<void>(library);
}

}  // namespace

OdbcConnection::~OdbcConnection() { Close(); }

std::string OdbcConnection::name() const { return Named(source_); }

void OdbcConnection::Open(const std::string& source, const std::string& user,
                          const std::string& password, int /*options*/) {
  if (connected_) {
    throw ObjectOpen();
  }
  const std::string context = "cannot open " + Named(source);
  HoldConfigurationLibrary();
  Check(environment_.Allocate(SQL_NULL_HANDLE), SQL_HANDLE_ENV, SQL_NULL_HANDLE, context, false);
  Check(SQLSetEnvAttr(environment_.get(), SQL_ATTR_ODBC_VERSION,
                      reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
        SQL_HANDLE_ENV, environment_.get(), context, false);
  Check(connection_.Allocate(environment_.get()), SQL_HANDLE_ENV, environment_.get(), context,
        false);
  SQLRETURN result = SQL_ERROR;
  if (source.find('=') != std::string::npos) {
    std::array<SQLCHAR, 1024> out{};
    SQLSMALLINT out_length = 0;
    result = SQLDriverConnect(connection_.get(), nullptr, Text(source), SQL_NTS, out.data(),
                              static_cast<SQLSMALLINT>(out.size()), &out_length,
                              SQL_DRIVER_NOPROMPT);
  } else {
    result = SQLConnect(connection_.get(), Text(source), Length(source), Text(user), Length(user),
                        Text(password), Length(password));
  }
  Check(result, SQL_HANDLE_DBC, connection_.get(), context, false);
  source_ = source;
  connected_ = true;
}

std::shared_ptr<StatementHandle> OdbcConnection::NewStatement() {
  if (!connected_) throw ObjectClosed();
  auto statement = std::make_shared<StatementHandle>();
  Check(statement->Allocate(connection_.get()), SQL_HANDLE_DBC, connection_.get(),
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

std::string OdbcConnection::IdentifierQuote() {
  if (!connected_) throw ObjectClosed();
  std::array<SQLCHAR, 8> quote{};
  SQLSMALLINT length = 0;
  Check(SQLGetInfo(connection_.get(), SQL_IDENTIFIER_QUOTE_CHAR, quote.data(),
                   static_cast<SQLSMALLINT>(quote.size()), &length),
        SQL_HANDLE_DBC, connection_.get(), "cannot read the identifier quote of " + name(),
        false);
  std::string text(reinterpret_cast<const char*>(quote.data()));
  return text == " " ? "" : text;
}

void OdbcConnection::Close() {
  if (!connected_) return;
  // Statements die with the connection; their owners then see no handle.
  for (const auto& weak : statements_) {
    if (const auto statement = weak.lock()) statement->Reset();
  }
  statements_.clear();
  SQLDisconnect(connection_.get());
  connection_.Reset();
  environment_.Reset();
  connected_ = false;
}

}  // namespace odbc
