#include "host/odbc/connection_pool.h"

#include <dlfcn.h>
#include <sqlext.h>

#include <array>
#include <string_view>

#include "host/odbc/odbc_error.h"

namespace odbc {
namespace {

SQLCHAR* Text(const std::string& text) {
  return reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str()));
}

SQLSMALLINT Length(const std::string& text) { return static_cast<SQLSMALLINT>(text.size()); }

std::string Key(const ConnectionTarget& target) {
  std::string key = target.source;
  key.append(1, '\0').append(target.user).append(1, '\0').append(target.password);
  return key.append(1, '\0').append(std::to_string(target.mode));
}

// Whether the driver says the link to its engine is lost, or the driver
// manager no longer holds the handle connected (a connection exception,
// class 08). A driver that cannot tell is trusted.
bool Dead(SQLHANDLE connection) {
  SQLUINTEGER dead = SQL_CD_FALSE;
  if (SQL_SUCCEEDED(SQLGetConnectAttr(connection, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr))) {
    return dead == SQL_CD_TRUE;
  }
  std::array<SQLCHAR, 6> state{};
  std::array<SQLCHAR, SQL_MAX_MESSAGE_LENGTH> text{};
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  return SQL_SUCCEEDED(SQLGetDiagRec(SQL_HANDLE_DBC, connection, 1, state.data(), &native, text.data(),
                                     static_cast<SQLSMALLINT>(text.size()), &length)) &&
         std::string_view(reinterpret_cast<const char*>(state.data()), 2) == "08";
}

// The driver manager loads its configuration library for every connection
// and unloads it on disconnect, dropping the odbc.ini it parsed. Held loaded
// once, the library keeps that parse across the connections a process
// makes, and its caches stay reachable instead of orphaned.
void HoldConfigurationLibrary() {
  static void* const library = dlopen("libodbcinst.so.2", RTLD_NOW | RTLD_NODELETE);
  static_cast<void>(library);
}

}  // namespace

PhysicalConnection::~PhysicalConnection() {
  if (connected_) SQLDisconnect(handle_.get());
}

ConnectionPool::~ConnectionPool() { kept_.clear(); }

std::unique_ptr<PhysicalConnection> ConnectionPool::Take(const ConnectionTarget& target,
                                                         const std::string& context) {
  if (auto kept = Kept(Key(target))) return kept;
  return Connect(target, context);
}

void ConnectionPool::Give(const ConnectionTarget& target, std::unique_ptr<PhysicalConnection> connection) {
  const std::lock_guard lock(mutex_);
  kept_[Key(target)].push_back(std::move(connection));
}

std::unique_ptr<PhysicalConnection> ConnectionPool::Kept(const std::string& key) {
  const std::lock_guard lock(mutex_);
  const auto found = kept_.find(key);
  if (found == kept_.end()) return nullptr;
  auto& connections = found->second;
  while (!connections.empty()) {
    std::unique_ptr<PhysicalConnection> connection = std::move(connections.back());
    connections.pop_back();
    if (!Dead(connection->get())) return connection;
  }
  return nullptr;
}

SQLHANDLE ConnectionPool::EnvironmentFor(const std::string& context) {
  const std::lock_guard lock(mutex_);
  if (!environment_) {
    Check(environment_.Allocate(SQL_NULL_HANDLE), SQL_HANDLE_ENV, SQL_NULL_HANDLE, context, false);
    Check(SQLSetEnvAttr(environment_.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
          SQL_HANDLE_ENV, environment_.get(), context, false);
  }
  return environment_.get();
}

std::unique_ptr<PhysicalConnection> ConnectionPool::Connect(const ConnectionTarget& target,
                                                            const std::string& context) {
  HoldConfigurationLibrary();
  const SQLHANDLE environment = EnvironmentFor(context);
  auto connection = std::make_unique<PhysicalConnection>();
  Check(connection->handle_.Allocate(environment), SQL_HANDLE_ENV, environment, context, false);
  const SQLHANDLE handle = connection->get();
  const std::string& source = target.source;
  SQLRETURN result = SQL_ERROR;
  if (source.find('=') != std::string::npos) {
    std::array<SQLCHAR, 1024> out{};
    SQLSMALLINT out_length = 0;
    result = SQLDriverConnect(handle, nullptr, Text(source), SQL_NTS, out.data(), static_cast<SQLSMALLINT>(out.size()),
                              &out_length, SQL_DRIVER_NOPROMPT);
  } else {
    result = SQLConnect(handle, Text(source), Length(source), Text(target.user), Length(target.user),
                        Text(target.password), Length(target.password));
  }
  Check(result, SQL_HANDLE_DBC, handle, context, false);
  connection->connected_ = true;
  return connection;
}

}  // namespace odbc
