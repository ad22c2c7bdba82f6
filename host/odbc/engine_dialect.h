#pragma once

#include <optional>
#include <string>
#include <string_view>

// What the program knows of the SQL engine behind a data source, by the name
// its driver gives it (SQLGetInfo SQL_DBMS_NAME): "SQLite" and "PostgreSQL".
namespace odbc {

// The statement that makes every later transaction of a connection read
// only; nothing for an engine the program does not know.
std::optional<std::string> ReadOnlyStatement(std::string_view dbms_name);

// The quote to write names with: the driver's own `driver_quote`, except on
// SQLite, which reads a double-quoted name that names nothing as a text (so
// `where "No Column" = ?` compares two texts); there the backtick, which
// it always reads as a name.
std::string NameQuote(std::string_view dbms_name, std::string driver_quote);

}  // namespace odbc
