#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "host/store/database.h"

namespace store {

// Told the bytes copied so far and the bytes to copy in all.
using CopyProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

// Copies the SQLite store `from` into the new, empty SQLite store `to`
// page by page, all of it from one snapshot, so that programs writing to
// `from` meanwhile neither wait nor are seen half-way. `target` names the
// copy in messages. Throws host::Error for a failure of either store, and
// std::runtime_error ("TARGET: cannot copy the store: WHY") when the copy
// could not finish.
void CopySqliteStore(Database& from, Database& to, const std::string& target, const CopyProgress& progress);

}  // namespace store
