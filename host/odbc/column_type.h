#pragma once

#include <sql.h>

#include <string_view>

#include "host/ado.h"

namespace odbc {

// The type of a result column as the driver describes it: by its type name
// when that is one of the SQL names this knows (the SQLite driver gives a
// column's declared type, "decimal(10,2)", while its type code says text),
// else by its ODBC type code. INTEGER, INT, SMALLINT, BIGINT, TINYINT and
// INT2/4/8 are integers; NUMERIC and DECIMAL decimals; REAL, FLOAT, DOUBLE
// and FLOAT4/8 reals; DATE a date; TIMESTAMP and DATETIME timestamps; BIT,
// BOOLEAN and BOOL Booleans; anything else is text.
host::ado::ColumnType ColumnTypeOf(SQLSMALLINT type_code, std::string_view type_name);

}  // namespace odbc
