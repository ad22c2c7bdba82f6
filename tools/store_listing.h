#pragma once

#include <cstdint>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>

#include "host/store/database.h"

namespace storetool {

// The statement behind FindAccountItems on an engine: items whose
// AccountID is ?1.
std::string FindByAccountIdSql(const store::Dialect& dialect);

// The paths of all folders of a store ("Account Profiles/Contacts/East"),
// read once.
class FolderPaths {
 public:
  explicit FolderPaths(const store::Database& db);
  // The folder's names from the top down, joined by "/"; "" for no folder.
  std::string Path(std::int64_t folder) const;

 private:
  struct Entry {
    std::int64_t parent = 0;
    std::string name;
  };
  std::unordered_map<std::int64_t, Entry> folders_;
};

// `text` on one line: backslash, tab, newline and carriage return written
// as \\, \t, \n and \r.
std::string OneLine(const std::string& text);

// SQL: `select` after the table ranked(id, depth, position) of the folders
// reachable from the top level, with their depth (0: top level) and their
// position in store order: each folder before its subfolders, siblings by
// id. Folders deeper than the store allows are listed down to the first
// level too deep (depth store::kMaxFolderDepth), for the caller to refuse.
// The levels are counted by SQLite, so no chain of folders is too long.
std::string FolderTreeQuery(std::string_view select);
// The error that names a folder nested one level too deep: "PATH: folder
// "ENTRYID" ("NAME"): folders nest deeper than 200 levels".
std::runtime_error TooDeepFolder(const store::Database& db, std::string_view entry_id, std::string_view name);

// Writes the folder tree, one line per folder in store order, "Name (count)"
// with the count of its own items, indented two spaces per level. Throws
// TooDeepFolder, after the lines above it, for folders nested too deeply.
void ListFolders(const store::Database& db, std::ostream& out);

// Writes the item with this entry identifier: one "member<TAB>value" line per
// member and one "property<TAB>name<TAB>type<TAB>value" line per property,
// in name order. Returns false, writing nothing, when no item has it.
bool ShowItem(const store::Database& db, const std::string& entry_id, std::ostream& out);

// Writes "folder path<TAB>entry ID<TAB>message class<TAB>subject" for every
// item whose AccountID property is exactly the text `key`, in store order;
// returns how many there were.
std::int64_t FindAccountItems(const store::Database& db, const std::string& key, std::ostream& out);

}  // namespace storetool
