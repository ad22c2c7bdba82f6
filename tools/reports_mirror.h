#pragma once

#include <string>

#include "host/store/database.h"

namespace storetool {

// The account fields that every folder table of the reports database
// mirrors, beside its key column AccountID, in the order of its columns.
inline constexpr const char* kMirroredFields[] = {"Account Name", "Account Manager", "Team", "Alignment"};

// Makes the new SQLite reports database `target` from the open store: for
// every folder below "Account Profiles", at any depth, a table named as the
// folder (AccountID, the mirrored fields, and COMPANY for contact folders)
// holding a row per item, and its schema table "Schema" + name listing the
// mirrored fields. Folders of one name share a table. Throws
// std::runtime_error or host::Error naming the file; refuses an existing
// `target` and leaves no file there after a failure.
void MirrorReports(const store::Database& source, const std::string& target);

}  // namespace storetool
