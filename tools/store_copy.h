#pragma once

#include <string>

#include "host/store/database.h"

namespace storetool {

// Copies the whole store `source` as one snapshot, journal included and every row under its
// id, into a new store at `target` (a file or a server's location), so that
// both export alike. Throws std::runtime_error or host::Error when `target`
// holds a store already, or for a row the target cannot take (text a server
// cannot hold), naming the row; no store is left at `target` then.
void CopyStore(store::Database& source, const std::string& target);

}  // namespace storetool
