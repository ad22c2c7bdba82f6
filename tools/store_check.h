#pragma once

#include <string>
#include <vector>

#include "host/store/database.h"

namespace storetool {

// Checks a store's integrity: the file itself (SQLite's integrity and
// foreign key checks), exactly one store row, exactly one top-level
// "Account Profiles", every folder reachable from the top, identifiers in
// upper-case hex and unique over folders and items, each property's folder
// equal to its item's, every typed value valid for its type, folders nested
// at most store::kMaxFolderDepth levels, every text UTF-8, and the journal
// well-formed and in step with the items (layout 3 on). Returns
// one line per problem (at most 100 per kind); empty when the store is sound.
std::vector<std::string> CheckStore(const store::Database& db);

}  // namespace storetool
