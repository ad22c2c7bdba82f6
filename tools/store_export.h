#pragma once

#include <ostream>

#include "host/store/database.h"

namespace storetool {

// Writes the whole store as a format-1 document to `out`, streaming: every
// member written, folders and items in store order, properties in byte order
// of their names, text properties as plain strings, two-space indentation
// and a final newline. Reads one snapshot of the store: a read transaction
// of its own, unless one is open. Memory does not grow with the items.
// Throws host::Error when the store cannot be read.
void ExportStore(store::Database& db, std::ostream& out);

}  // namespace storetool
