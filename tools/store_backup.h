#pragma once

#include <string>

#include "host/store/database.h"
#include "tools/progress_meter.h"

namespace storetool {

// Copies the open store `source` into a new file `target` with SQLite's
// online backup, as one consistent snapshot: what was committed when the
// copy began, including what is still in the store's -wal file, and nothing
// that other programs write meanwhile; they are not held up. `progress`
// counts the bytes copied. Throws std::runtime_error or host::Error naming
// the file; refuses an existing `target` and leaves no file there after a
// failure.
void BackupStore(store::Database& source, const std::string& target, ProgressMeter& progress);

}  // namespace storetool
