#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>

#include "host/store/item_record.h"
#include "host/store/store_rows.h"
#include "host/store/store_session.h"

namespace store {

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

}  // namespace store
