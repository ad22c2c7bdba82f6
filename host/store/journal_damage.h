#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/store/database.h"

namespace store {

// One problem of the journal that keeps undo from taking a run back: a run
// whose first change lies after its last, and before-images that are not
// JSON objects, deleted items not kept whole, properties not kept as
// [type, value] or null, unknown columns, and values that their property's
// type or their column cannot hold. `kind` numbers those kinds in that order.
struct JournalDamage {
  int kind;
  std::string text;
};

// Every such problem of the store's journal, by kind, each kind in the
// order of the runs and changes. Throws host::Error when the journal cannot
// be read.
std::vector<JournalDamage> JournalDamageOf(const Database& db);

// The first such damage of the run whose row is `run`; nullopt when undo
// can read all of it.
std::optional<std::string> DamageOfRun(const Database& db, std::int64_t run);

}  // namespace store
