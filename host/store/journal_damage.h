#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/store/database.h"

namespace store {

// The damage of the journal that keeps undo from taking a run back: a run
// whose first change lies after its last, and before-images that are not
// JSON objects, deleted items not kept whole, properties not kept as
// [type, value] or null, unknown columns, and values that their property's
// type or their column cannot hold. One statement per kind of damage, each
// yielding one line of text per problem; `runs` and `changes` are the
// tables to look in, or table expressions that select from them.
std::vector<std::string> JournalDamageChecks(std::string_view runs, std::string_view changes);

// The first such damage of the run whose row is `run`; nullopt when undo
// can read all of it.
std::optional<std::string> DamageOfRun(const Database& db, std::int64_t run);

}  // namespace store
