#pragma once

#include <ostream>
#include <string>

namespace storetool {

// Whether `command` is one that preview runs: Merge or Delete.
bool Previewable(const std::string& command);

// Runs the account command line `command` (Merge;... or Delete;..., the
// question answered Yes) against the store at `path` inside one
// transaction that is rolled back, every write of the command a savepoint
// in it, and writes on `out` what it would do: per folder the items it
// would change, delete or create, with counts, the messages it would show
// and the exit status it would end with, which is returned. The store is
// left exactly as it was. Throws host::Error or std::runtime_error when
// the store cannot be opened.
int PreviewCommand(const std::string& path, const std::string& command, std::ostream& out);

}  // namespace storetool
