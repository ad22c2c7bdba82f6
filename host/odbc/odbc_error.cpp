#include "host/odbc/odbc_error.h"

#include <sqlext.h>

#include <array>

#include "host/ado.h"

namespace odbc {

long ErrorNumber(std::string_view sqlstates, std::string_view messages) {
  if (sqlstates.find("42S02") != std::string_view::npos ||
      messages.find("no such table") != std::string_view::npos) {
    return host::ado::kNoTable;
  }
  for (std::size_t at = 0; at + 5 <= sqlstates.size(); at += 5) {
    if (sqlstates.substr(at, 2) == "42") return host::ado::kErrorsInCommand;
  }
  // The SQLite driver reports every refusal as a general error (HY000).
  if (messages.find("syntax error") != std::string_view::npos ||
      messages.find("no such column") != std::string_view::npos) {
    return host::ado::kErrorsInCommand;
  }
  return host::ado::kFail;
}

void Fail(SQLRETURN result, SQLSMALLINT handle_type, SQLHANDLE handle,
          const std::string& context, bool statement) {
  std::string states;
  std::string messages;
  std::array<SQLCHAR, 6> state{};
  std::array<SQLCHAR, SQL_MAX_MESSAGE_LENGTH> text{};
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  for (SQLSMALLINT record = 1;
       handle != SQL_NULL_HANDLE &&
       SQL_SUCCEEDED(SQLGetDiagRec(handle_type, handle, record, state.data(), &native,
                                   text.data(), static_cast<SQLSMALLINT>(text.size()), &length));
       ++record) {
    states += reinterpret_cast<const char*>(state.data());
    if (!messages.empty()) messages += "; ";
    messages += reinterpret_cast<const char*>(text.data());
  }
  if (messages.empty()) {
    messages = result == SQL_INVALID_HANDLE ? "invalid handle" : "no diagnostics from the driver";
  }
  const long number = statement ? ErrorNumber(states, messages) : host::ado::kFail;
  throw host::Error(number, context + ": " + messages);
}

void Check(SQLRETURN result, SQLSMALLINT handle_type, SQLHANDLE handle,
           const std::string& context, bool statement) {
  if (SQL_SUCCEEDED(result) || result == SQL_NO_DATA) return;
  Fail(result, handle_type, handle, context, statement);
}

host::Error ObjectClosed() {
  return host::Error(host::ado::kObjectClosed,
                     "Operation is not allowed when the object is closed.");
}

host::Error ObjectOpen() {
  return host::Error(host::ado::kObjectOpen, "Operation is not allowed when the object is open.");
}

}  // namespace odbc
