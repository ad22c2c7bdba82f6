#include "host/odbc/engine_dialect.h"

namespace odbc {
namespace {

constexpr std::string_view kSqlite = "SQLite";
constexpr std::string_view kPostgres = "PostgreSQL";

}  // namespace

std::optional<ReadOnlySession> ReadOnlySessionOn(std::string_view dbms_name) {
  // SQLite's driver reads a query's whole result into memory before its
  // first row when autocommit is off (about 330 MiB for a million rows of
  // eight columns), not when the transaction is begun by a statement. The
  // transaction keeps what query_only lets through from lasting: a change
  // of journal mode is refused inside one, and the rest is rolled back.
  if (dbms_name == kSqlite) return ReadOnlySession{"PRAGMA query_only = 1", ReadOnlySession::Transaction::kStatements};
  // Every transaction of the session, not only the next: one that the
  // driver ends on an error and begins again stays read only too.
  if (dbms_name == kPostgres) return ReadOnlySession{"SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY",
                                                     ReadOnlySession::Transaction::kDriver};
  return std::nullopt;
}

std::string NameQuote(std::string_view dbms_name, std::string driver_quote) {
  return dbms_name == kSqlite ? "`" : driver_quote;
}

}  // namespace odbc
