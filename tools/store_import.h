#pragma once

#include <istream>
#include <string>

namespace storetool {

// The message class of folders and items that do not name one.
inline constexpr char kDefaultMessageClass[] = "IPM.Post";
// The mail-client version of stores that do not name one.
inline constexpr char kDefaultOutlookVersion[] = "16.0";

// Reads a store document (format 1) from `in` as a stream and makes a new
// store at `path` from it; `file` names the input in messages. Identifiers
// left out are made fresh. Throws InputError with the place in the document,
// or std::runtime_error / host::Error naming the store, or std::runtime_error
// with one "FILE: problem" line for each problem that check would report in
// the new store; after any failure there is no file at `path`. Refuses to
// replace an existing file.
void ImportStore(std::istream& in, const std::string& file, const std::string& path);

}  // namespace storetool
