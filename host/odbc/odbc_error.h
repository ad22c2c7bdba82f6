#pragma once

#include <sql.h>

#include <string>
#include <string_view>

#include "host/error.h"

namespace odbc {

// The error number for a failure whose diagnostics are `sqlstates` (every
// record's five-character state, joined) and `messages`: kNoTable for
// 42S02 or SQLite's "no such table", kErrorsInCommand for another 42xxx or
// SQLite's "syntax error" and "no such column", kFail otherwise.
long ErrorNumber(std::string_view sqlstates, std::string_view messages);

// Throws host::Error for a call on `handle` (of `handle_type`) that returned
// `result`: "CONTEXT: " followed by every diagnostic record joined with "; ".
// `statement` says whether the engine's states may refine the number; a
// failure to connect is always kFail.
[[noreturn]] void Fail(SQLRETURN result, SQLSMALLINT handle_type, SQLHANDLE handle,
                       const std::string& context, bool statement);

// Returns when `result` is a success (with or without information, or no
// data); else Fail.
void Check(SQLRETURN result, SQLSMALLINT handle_type, SQLHANDLE handle,
           const std::string& context, bool statement = true);

// Error 3704: a call on a closed connection or recordset; 3705: opening one
// that is open.
host::Error ObjectClosed();
host::Error ObjectOpen();

}  // namespace odbc
