#pragma once

#include <sqlite3.h>

#include <optional>
#include <string>
#include <string_view>

#include "host/error.h"
#include "host/store/store_failure.h"

namespace store {

// Why SQLite could not open `db`'s file or read it for the first time, from
// its last failure: the system's reason for a file that cannot be opened or
// read ("no such file", "permission denied"), "not a CRM store (not an
// SQLite database)", or SQLite's own message.
std::string WhyNotOpened(sqlite3* db);

// The one line a user is shown when a failure with that result code (primary
// or extended) makes the open store at `path` unusable as a whole: damaged,
// full or read-only. nullopt for a failure of one statement only.
std::optional<std::string> StoreWideFailure(const std::string& path, int result_code,
                                            std::string_view sqlite_message);

}  // namespace store
