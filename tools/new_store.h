#pragma once

#include <functional>
#include <string>

#include "host/store/database.h"

namespace storetool {

// Makes a new store at `location` (a file, or a server's location) with a
// new store identifier and that mail-client version, and fills it inside
// the transaction that makes it: a file is written under a temporary name
// and appears only once filled (NewStoreFile); on a server, a store that
// was not filled is never there. Throws std::runtime_error or host::Error
// when a store is there already, or as `fill` does.
void MakeStore(const std::string& location, const std::string& outlook_version,
               const std::function<void(store::Database&)>& fill);

}  // namespace storetool
