#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "host/store/item_record.h"
#include "host/store/journal.h"

namespace store {

// The journaled columns of the items whose ids the JSON array `ids` lists,
// each row their id and then kJournaledColumns, the items held as `hold`
// says (Dialect::hold_item, or "" where they are held already); and their
// properties, each row item, name, type, value and the value's kind, by
// item and name. Both are read ahead: they come back in one round trip.
struct JournaledValues {
  StoreSession::Lease columns;
  StoreSession::Lease properties;
};
JournaledValues ReadJournaledValues(StoreSession& session, const std::string& ids, const char* hold);

// Writes sent without waiting for them (HeldBackWrites::Write), until
// Confirm waits: each statement that must write a number of items yields
// the id of each it wrote.
class SentWrites {
 public:
  // Writes sent before they are waited for at most, which bounds what
  // their statements keep.
  static constexpr std::size_t kMaxWrites = 1000;

  // How many writes were sent.
  std::size_t size() const { return writes_; }
  void AddWrites(std::size_t writes) { writes_ += writes; }
  // Sends `statement`, which must write `items` items.
  void Count(StoreSession::Lease statement, std::size_t items);
  // Waits for every write sent. Throws host::Error for the first that
  // failed, or (kNotFound) when a statement found fewer items than it must
  // write: another run deleted some since the walk found them.
  void Confirm(StoreSession& session);

 private:
  std::size_t writes_ = 0;
  std::vector<std::pair<StoreSession::Lease, std::size_t>> counted_;
};

// Saves and deletions of items that the run's transaction makes later, all
// at once: a few statements for the lot rather than a savepoint, a hold, a
// read and writes for each, which on a server is a round trip and a handful
// of statements per item. Only a run that can start its transaction over
// may hold writes back (StoreSession::TakeForWriting says how), since a
// failure surfaces only when they are made, no longer at the call that
// caused it.
class HeldBackWrites {
 public:
  using Kind = HeldWriteKind;

  bool empty() const { return writes_.empty(); }
  std::size_t size() const { return writes_.size(); }
  // Items whose writes one statement makes: their rows stay well within both
  // engines' limits on parameters, and the planner looks each up by the
  // index rather than reading a whole table for them.
  static constexpr std::size_t kItemsPerStatement = 100;
  // Items whose writes are made together at most: a statement's worth, so
  // that a server makes them while the run goes on to the next items.
  static constexpr std::size_t kMaxItems = kItemsPerStatement;
  // Whether a write of `kind` of the item (row `item`) must wait until
  // these are made: the journal keeps saves and deletions in the order they
  // came, an item is deleted once, and kMaxItems are held back already.
  bool MustWaitFor(std::int64_t item, Kind kind) const {
    return !empty() && (kind != kind_ || items_.size() >= kMaxItems ||
                        (kind == Kind::kDeletion && item_at_.contains(item)));
  }
  void AddSave(const ItemRow& row, const ItemChanges& changes);
  void AddDeletion(const ItemRow& row);

  // Sends every write held back, joining `sent`, and forgets them: where
  // the session journals the run, holds their items and journals each write
  // as it would be on its own (in the order they came; a save after another
  // of the same item starts from what that one left); then writes or
  // deletes each item once, without waiting. Throws host::Error when an
  // item is gone or a write fails, here or when `sent` is confirmed, having
  // made part of them: only a rollback of the run's transaction undoes that.
  void Write(StoreSession& session, SentWrites& sent);

 private:
  // An item with writes held back: its writes (positions in writes_) and
  // what its saves leave of it, the later over the earlier.
  struct HeldItem {
    ItemRow row;
    std::vector<std::size_t> writes;
    ItemChanges left;
  };
  // What the hold read of the items before the writes, where the session
  // journals the run: each save's change, as ItemChange reads one, or each
  // deleted item's whole.
  struct HeldItems {
    std::vector<ItemChange> changes;
    std::vector<std::optional<WholeItem>> wholes;
  };
  HeldItem& ItemOf(const ItemRow& row);
  // The items' ids, as IdsAsJsonArray gives them.
  std::string Ids() const;
  // The hold and the read of the items' values before the writes, as
  // ItemChange reads one item's once it holds it.
  HeldItems HoldAndRead(StoreSession& session);
  std::vector<Journal::Entry> JournalEntries(HeldItems held) const;
  // Sends the writes; one that would pass over an item gone without
  // failing counts what it wrote.
  void WriteSaves(StoreSession& session, SentWrites& sent) const;
  void WriteDeletions(StoreSession& session, SentWrites& sent) const;

  Kind kind_ = Kind::kSave;
  // Each write: its item (position in items_) and, for a save, its changes.
  struct HeldWrite {
    std::size_t item;
    ItemChanges changes;
  };
  std::vector<HeldWrite> writes_;
  std::vector<HeldItem> items_;
  std::unordered_map<std::int64_t, std::size_t> item_at_;
};

}  // namespace store
