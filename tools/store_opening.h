#pragma once

#include <memory>
#include <string>

#include "host/store/database.h"

namespace storetool {

// Opens the store at `path` for the commands that only read it. Throws
// std::runtime_error or host::Error naming the file; when there is no file,
// the message goes on to name the commands that make one, and a file that
// is not an SQLite database is called that, not by SQLite's own words.
std::unique_ptr<store::Database> OpenStoreToRead(const std::string& path);

}  // namespace storetool
