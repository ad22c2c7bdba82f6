#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "host/store/journal.h"

#include "host/store/item_record.h"

namespace store {

// Saves of items that the run's transaction writes later, all at once: a few
// statements for the lot rather than a savepoint, a hold, a read and writes
// for each, which on a server is a round trip and a handful of statements
// per item. Only a run that can start its transaction over may hold saves
// back (StoreSession::TakeForWriting says how), since a failure surfaces
// only when they are written, no longer at the save that caused it.
class HeldBackSaves {
 public:
  bool empty() const { return saves_.empty(); }
  std::size_t size() const { return saves_.size(); }
  // Whether a save of the item (row `item`) is held back; a second one
  // must wait until the first is written, as the journal keeps each.
  bool Holds(std::int64_t item) const { return at_.contains(item); }
  void Add(const ItemRow& row, ItemChanges changes);

  // Writes every save held back, in the order they were made, and forgets
  // them: holds their items, journals each save as a save on its own would
  // (in the same order), and writes their properties and columns. Throws
  // host::Error when an item is gone or a write fails, having written part
  // of them: only a rollback of the run's transaction undoes that.
  void Write(StoreSession& session);

 private:
  struct Save {
    ItemRow row;
    ItemChanges changes;
  };

  // What the hold read of the items before the saves: each save's change,
  // as ItemChange reads one, where the session journals the run, and
  // whether each item may lack a property that its save changes.
  struct HeldItems {
    std::vector<ItemChange> changes;
    std::vector<bool> lacking;
  };
  HeldItems HoldAndRead(StoreSession& session);
  // Sends ahead the writes of the saves from `first` on, `count` of them
  // (`ids` their items), as `Send` takes each statement.
  template <class Send>
  void WriteSlice(StoreSession& session, std::size_t first, std::size_t count, const std::vector<bool>& lacking,
                  Send&& send) const;
  // The save of the item (row `item`) that a statement's row names.
  std::size_t SaveOf(std::int64_t item) const { return at_.at(item); }

  std::vector<Save> saves_;
  std::unordered_map<std::int64_t, std::size_t> at_;
};

}  // namespace store
