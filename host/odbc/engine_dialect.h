#pragma once

#include <optional>
#include <string>
#include <string_view>

// What the program knows of the SQL engine behind a data source, by the name
// its driver gives it (SQLGetInfo SQL_DBMS_NAME): "SQLite" and "PostgreSQL".
namespace odbc {

// How a connection is held to reading on an engine: the statement that
// makes every later transaction of the connection read only, and how its
// reads run in one transaction that closing rolls back.
struct ReadOnlySession {
  // The driver's: autocommit off, then SQLEndTran. Statements: autocommit
  // stays on, and BEGIN and ROLLBACK are sent as statements.
  enum class Transaction { kDriver, kStatements };
  std::string statement;
  Transaction transaction;
};

// Nothing for an engine the program does not know.
std::optional<ReadOnlySession> ReadOnlySessionOn(std::string_view dbms_name);

// The quote to write names with: the driver's own `driver_quote`, except on
// SQLite, which reads a double-quoted name that names nothing as a text (so
// `where "No Column" = ?` compares two texts); there the backtick, which
// it always reads as a name.
std::string NameQuote(std::string_view dbms_name, std::string driver_quote);

}  // namespace odbc
