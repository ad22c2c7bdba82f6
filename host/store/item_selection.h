#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/store/filter.h"
#include "host/store/item_rows.h"
#include "host/store/store_rows.h"
#include "host/store/store_session.h"

// Selecting and ordering the items of one folder by id, without loading them.
namespace store {

// The ids of every item of the folder, ascending (the order they were added).
std::vector<std::int64_t> FolderItemIds(StoreSession& session, std::int64_t folder);

// The number of items in the folder: one COUNT query.
int FolderItemCount(StoreSession& session, std::int64_t folder);

// The ids, ascending, of the folder's items that the filter matches, whose
// rows are kept in `rows`; costs what the filter's query costs, not the
// folder's size. Within a run, the first ask of a folder listed with its
// siblings reads the matches of all of them, or of every folder below
// theirs once those were read (SiblingReads).
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
