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

// The stored properties of items that are read together, in one statement
// for every item not read yet: those of a collection, or of every item a
// run's restriction matched in the folders below one folder.
struct PropertiesRead {
  struct Item {
    bool read = false;
    // The item's properties as read in `group`; 0 when they were not kept.
    std::uint64_t group = 0;
    std::map<std::string, PropertyValue> properties;
  };
  std::unordered_map<std::int64_t, Item> items;
};

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
  // record asked for reads those of every item they are read with, in one
  // statement (a walk goes on to read each of them). Throws as Get does.
  std::shared_ptr<ItemRecord> Record(const std::shared_ptr<StoreSession>& session, std::int64_t id);
  // Keeps a row read in read group `group`, whose properties are read with
  // those of the items of `together`, which holds it (the collection's own
  // when null).
  void Keep(ItemRow row, std::uint64_t group, const std::shared_ptr<PropertiesRead>& together = nullptr);

 private:
  struct Kept {
    ItemRow row;
    std::uint64_t group = 0;
    std::shared_ptr<PropertiesRead> properties;
  };
  std::unordered_map<std::int64_t, Kept> rows_;
  std::shared_ptr<PropertiesRead> own_ = std::make_shared<PropertiesRead>();
};

}  // namespace store
