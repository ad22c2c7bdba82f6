#include "host/odbc/engine_dialect.h"

namespace odbc {
namespace {

constexpr std::string_view kSqlite = "SQLite";
constexpr std::string_view kPostgres = "PostgreSQL";

}  // namespace

std::optional<std::string> ReadOnlyStatement(std::string_view dbms_name) {
  if (dbms_name == kSqlite) return "PRAGMA query_only = 1";
  // Every transaction of the session, not only the next: one that the
  // driver ends on an error and begins again stays read only too.
  if (dbms_name == kPostgres) return "SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY";
  return std::nullopt;
}

std::string NameQuote(std::string_view dbms_name, std::string driver_quote) {
  return dbms_name == kSqlite ? "`" : driver_quote;
}

}  // namespace odbc
