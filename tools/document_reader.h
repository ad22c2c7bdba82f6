#pragma once

#include <istream>
#include <string>

#include "host/store/database.h"

namespace storetool {

// Reads a store document (format 1) from `in` as a stream and adds its
// folders and items to `db`, a new store inside the caller's transaction;
// `file` names the input in messages. Identifiers left out are made fresh.
// Folders nest at most store::kMaxFolderDepth levels. Throws InputError at
// the first fault with its place in the document, or host::Error.
void ReadStoreDocument(std::istream& in, const std::string& file, store::Database& db);

}  // namespace storetool
