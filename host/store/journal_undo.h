#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "host/store/run_record.h"

namespace store {

class StoreSession;

// What taking a run back did, or why it did nothing.
struct UndoResult {
  std::string run_id;                  // the run taken back, in full
  std::vector<std::string> conflicts;  // items a later change touched: entry identifiers
  bool done = false;                   // false: refused because of the conflicts
  std::size_t restored = 0;            // items given their values back
  std::size_t recreated = 0;           // deleted items stored again
  std::size_t removed = 0;             // items the run had created, deleted
  std::vector<std::string> skipped;    // "ENTRYID: why", items that could not be restored
};

// Takes back the run whose identifier is `run` (or starts with it, when only
// one does) through `session`, whose own run journals it: every item the
// run changed gets its before-image, every item it deleted comes back with
// its entry identifier, row, folder and properties, every item it created
// goes. One transaction, taken for writing before anything is read, in
// which the undo's own end (status 0, or 1 when items were skipped) is
// journaled under `retention` before it commits. Refuses, changing
// nothing, when a later change by another run touched one of its items,
// unless `force`. Throws std::runtime_error when no run or several match,
// or when the journal of the run is damaged (DamageOfRun names how),
// host::Error when the store fails (nothing is changed then either).
UndoResult UndoRun(StoreSession& session, const std::string& run, bool force, const Retention& retention);

}  // namespace store
