#pragma once

#include <cstdint>
#include <string>

#include "tools/progress_meter.h"

namespace storetool {

// Folders of a demo store when not told: the database folder, its four
// groups (Contacts, Opportunities, Activities, Alerts) and three below each
// of the first three.
inline constexpr std::int64_t kDemoDefaultFolders = 14;
// The fewest folders a demo store can have: the database folder and its groups.
inline constexpr std::int64_t kDemoMinFolders = 5;
// Related items per account when the count is not given.
inline constexpr std::int64_t kDemoItemsPerAccount = 5;

// What a demo store holds.
struct DemoOptions {
  std::int64_t accounts = 0;            // account items, A000001 on
  std::uint64_t seed = 1;               // everything else follows from it
  std::int64_t folders = kDemoDefaultFolders;  // all folders, the database folder included
  std::int64_t items = -1;              // related items; -1: five per account
  std::int64_t key_account_items = 0;   // > 0: items of A000001 (part of `items`)
};

// What is wrong with the options, for a usage message; "" when they are fine.
std::string DemoOptionsProblem(const DemoOptions& options);

// Makes a new demo store at `path`: the same options always give the same
// store, identifiers included. Rows are streamed in one transaction, so
// memory does not grow with the number of items; `progress` counts them.
// Throws std::runtime_error or host::Error naming the file; after a failure
// no file is left at `path`.
void MakeDemoStore(const DemoOptions& options, const std::string& path, ProgressMeter& progress);

}  // namespace storetool
