#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/store/held_back_writes.h"
#include "host/store/store_rows.h"

namespace store {

class StoreSession;

// Binds a row of PropertiesUpsertSql from the parameter `first` on: the
// item's property `name` as the journal keeps it, [TYPE, VALUE].
void BindJournaledProperty(Statement& statement, int first, const ItemRow& item, const std::string& name,
                           const nlohmann::json& property);

// The values that taking a run back gives its changed items again, made
// for many items at once: a read of what they hold now for the undo's own
// journal, a few statements for its rows, and the writes a hundred items to
// a statement, where one item at a time cost a round trip and a handful of
// statements each. The undo holds the items already.
class RestoredValues {
 public:
  // Items restored together at most, which bounds what their read keeps.
  static constexpr std::size_t kMaxItems = 1000;

  // Whether `item`'s before-image must wait until these are made: one of
  // its values may be among them, and its journal reads what they leave.
  bool MustWaitFor(std::int64_t item) const { return ids_.contains(item) || items_.size() >= kMaxItems; }
  // Gives `item` the columns and properties of the journal's `before`,
  // which must outlive the write; a property that is null there is removed.
  void Add(const ItemRow& item, const nlohmann::json& before);

  // Makes them and forgets them: journals each item's change where the
  // session journals a run, then writes them, run ahead, so a failure
  // surfaces at a later statement or at the commit and ends the undo.
  void Write(StoreSession& session);

 private:
  struct Item {
    ItemRow row;
    const nlohmann::json* columns;
    const nlohmann::json* properties;
  };
  void JournalChanges(StoreSession& session) const;
  void WriteColumns(StoreSession& session, std::size_t first, std::size_t count) const;
  void WriteProperties(StoreSession& session, std::size_t first, std::size_t count) const;

  std::vector<Item> items_;
  std::unordered_set<std::int64_t> ids_;
};

}  // namespace store
