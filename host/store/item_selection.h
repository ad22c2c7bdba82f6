#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "host/store/filter.h"
#include "host/store/item_record.h"
#include "host/store/store_rows.h"
#include "host/store/store_session.h"

// Selecting and ordering the items of one folder by id, without loading them.
namespace store {

// The ids of every item of the folder, ascending (the order they were added).
std::vector<std::int64_t> FolderItemIds(StoreSession& session, std::int64_t folder);

// The number of items in the folder: one COUNT query.
int FolderItemCount(StoreSession& session, std::int64_t folder);

// The rows of the items a collection holds, each read once while the
// session tells it is as read (StoreSession::ItemAsRead): a walk asks for
// each item's row more than once (its type, then the item), and a selection
// reads its members' rows with their ids.
class ItemRows {
 public:
  // The item's row; read when it is not known or may have changed. Throws
  // host::Error (kNotFound) when the item is not there.
  const ItemRow& Get(StoreSession& session, std::int64_t id);
  // A record of the item that starts from its stored properties: the first
  // record asked for reads those of every item kept, in one statement (a
  // walk goes on to read each of them). Throws as Get does.
  std::shared_ptr<ItemRecord> Record(const std::shared_ptr<StoreSession>& session, std::int64_t id);
  // Keeps a row read in read group `group`.
  void Keep(ItemRow row, std::uint64_t group);

 private:
  // Reads the stored properties of every kept item whose were not read yet.
  void ReadProperties(StoreSession& session);

  struct Kept {
    ItemRow row;
    std::uint64_t group = 0;
    bool properties_read = false;
    // The item's properties as read in properties_group; 0 when they were
    // not kept.
    std::map<std::string, PropertyValue> properties;
    std::uint64_t properties_group = 0;
  };
  std::unordered_map<std::int64_t, Kept> rows_;
};

// The ids, ascending, of the folder's items that the filter matches, whose
// rows are kept in `rows`; costs what the filter's query costs, not the
// folder's size. Within a run, the first ask of a folder listed with its
// siblings reads the matches of all of them (SubfolderMatches).
std::vector<std::int64_t> MatchingIds(StoreSession& session, const FolderRow& folder, const Filter& filter,
                                      ItemRows& rows);

// The item with the lowest id that the filter matches in the folder, or
// nullopt; one query, so one read of the store.
std::optional<ItemRow> FirstMatchingItem(StoreSession& session, std::int64_t folder, const Filter& filter);

// The members of `ordered` that are in `ascending` (sorted), in `ordered`'s order.
std::vector<std::int64_t> KeepMembers(const std::vector<std::int64_t>& ordered,
                                      const std::vector<std::int64_t>& ascending);

// `ids` ordered by the value of the named property (numbers before texts,
// texts by their bytes). Items without the property come last in either
// direction; items with equal values keep their order.
std::vector<std::int64_t> SortByProperty(StoreSession& session, std::vector<std::int64_t> ids,
                                         const std::string& property, bool descending);

}  // namespace store
