#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/store/store_session.h"

namespace store {

// What a folder object knows of its row; a folder's name and class never
// change once it exists.
struct FolderRow {
  std::int64_t id = 0;
  std::string entry_id;
  std::string name;
  std::string default_message_class;
  // Whether it has subfolders, where the read that found it tells (its
  // parent's list of them).
  std::optional<bool> has_subfolders;
  // What it shares with the folders listed with it (its parent's
  // subfolders); null for a folder found alone.
  std::shared_ptr<struct SiblingReads> siblings;
};

// What an item object knows of its row; an item stays in its folder and
// keeps its message class.
struct ItemRow {
  std::int64_t id = 0;
  std::string entry_id;
  std::int64_t folder = 0;
  std::string message_class;
};

// The items that filters matched in several folders, read at once for all
// of them, by the filter's statement and values.
struct FolderMatches {
  // The read group they were read in.
  std::uint64_t group = 0;
  std::unordered_map<std::int64_t, std::vector<ItemRow>> by_folder;
  // Their properties, read together for all of them.
  std::shared_ptr<struct PropertiesRead> properties;
};
using MatchesByFilter = std::map<std::string, FolderMatches>;

// Every folder below the folder `top`, read at once when a walk first
// descends below its subfolders: each folder's subfolders by its id (their
// siblings left null), as read in read group `group`; and what filters
// match in all of them.
struct FolderTree {
  std::int64_t top = 0;
  std::uint64_t group = 0;
  std::unordered_map<std::int64_t, std::vector<FolderRow>> by_parent;
  MatchesByFilter matches;
};

// What the subfolders of one folder, listed together, read once for all of
// them. A walk asks each in turn which of its items a filter matches, and
// the first ask reads the answer for all of them at once, or, once the
// folders below were read, for all of those. The first list of a
// subfolder's subfolders reads every folder below.
struct SiblingReads {
  std::int64_t parent = 0;
  MatchesByFilter matches;
  // The folders below `parent`, null until read (or read from above).
  std::shared_ptr<FolderTree> below;
};

// The ids as the JSON array that Dialect::in_json_ids reads: one
// statement then reads (or holds) the rows of many, a round trip on a server.
std::string IdsAsJsonArray(const std::vector<std::int64_t>& ids);

// "VALUES (?, ?, ...), ...": `rows` rows of `width` parameters, the
// statement's first ones, so nothing before them in its text may name a
// parameter. They are bare: SQLite takes time quadratic in their count to
// prepare numbered ones (12 ms for 2,500), linear for bare ones, which
// both engines number in order. One statement then writes many rows, a
// round trip on a server.
std::string ValuesRows(std::size_t rows, int width);
// Sets the items' `column` to the value of each of `rows` rows of (id,
// value) from ?2 on; ?1 is the JSON array of their ids, named besides the
// join so that the planner looks each item up rather than reading them all.
std::string ItemColumnUpdateSql(const Dialect& dialect, std::string_view column, std::size_t rows);

// Selects an item's row as ReadItem reads it; a WHERE clause follows.
inline constexpr char kItemColumns[] = "SELECT id, entry_id, folder, message_class FROM items ";
ItemRow ReadItem(const Statement& statement);

// Throws host::Error (kNotFound) unless `store_id` is this store's identifier.
void RequireStore(StoreSession& session, const std::string& store_id);

// The folder or item by entry identifier or by id. Throws host::Error
// (kNotFound) naming the entry identifier when there is none.
FolderRow FolderByEntryId(StoreSession& session, const std::string& entry_id);
FolderRow FolderById(StoreSession& session, std::int64_t id);
ItemRow ItemByEntryId(StoreSession& session, const std::string& entry_id);
ItemRow ItemById(StoreSession& session, std::int64_t id);

// The subfolders of `parent` in the order they were added, each telling
// whether it has subfolders.
std::vector<FolderRow> Subfolders(StoreSession& session, const FolderRow& parent);

// How deep the folder nests: 1 for a top-level folder, 2 for its subfolders
// and so on, counted up to kMaxFolderDepth + 1 at the most (also for a
// folder whose parents form a loop).
int FolderLevel(StoreSession& session, std::int64_t folder);

// Adds a new item row to that folder inside the caller's write transaction
// and yields it.
ItemRow InsertItemRow(StoreSession& session, std::int64_t folder, const std::string& message_class,
                      const std::string& subject = "", const std::string& body = "");

// Stores a new item in that folder, in one transaction, and yields its row.
ItemRow InsertItem(StoreSession& session, const FolderRow& folder, const std::string& message_class,
                   const std::string& subject = "", const std::string& body = "");

// Deletes the item with its properties in one transaction. Throws
// host::Error (kNotFound) when the store no longer holds it.
void DeleteItem(StoreSession& session, const ItemRow& item);

}  // namespace store
