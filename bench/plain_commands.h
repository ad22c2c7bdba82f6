#pragma once

#include <cstdint>
#include <string>

// The row changes of the Merge and Delete commands made by plain SQL
// statements that both engines run, on a store file or a server's store
// (each `path` below is either location), in two ways: item by item, the items found by one query and
// each changed in a transaction of its own, as a plain program commits them;
// and as a few set-based statements in one transaction, the least work that
// gives the same rows.
namespace bench {

// The accounts a command works on, found in the store before it runs.
struct CommandAccounts {
  std::string key;               // A000001: 20 locations, 1000 related items
  std::string key_entry_id;      // its account item
  std::string survivor;          // the first account that is no location account
  std::string survivor_entry_id;
};

// Finds A000001's account item and the first account after it that is not a
// location account (A000022 in the demo stores, whose accounts 2 to 21 are
// A000001's locations). Fails when the store has neither.
CommandAccounts FindCommandAccounts(const std::string& path);

// What a command left in the store, by SQL counts.
struct StoreCounts {
  std::int64_t key_items = 0;       // items whose AccountID is the key
  std::int64_t survivor_items = 0;  // items whose AccountID is the survivor
  std::int64_t key_locations = 0;   // accounts whose Account LocationID is the key
  std::int64_t items = 0;           // all items
  bool operator==(const StoreCounts&) const = default;
};

StoreCounts CountStore(const std::string& path, const CommandAccounts& accounts);

// What is in the items and properties tables: their rows and a digest of
// every column both layouts have, of every row, with its type as the engine
// reads it, in key order. Two stores on one engine with the same dump hold
// the same items with the same properties. texts_digest leaves the types
// out (a server keeps every value as text): the same on both engines for
// the same rows.
struct StoreDump {
  std::int64_t items = 0;
  std::int64_t properties = 0;
  std::uint64_t items_digest = 0;
  std::uint64_t properties_digest = 0;
  std::uint64_t texts_digest = 0;
  bool operator==(const StoreDump&) const = default;
};

StoreDump DumpStore(const std::string& path);

// Folds `accounts.key` into `accounts.survivor`: the location accounts, the
// related items below the database folder, then the merged account item,
// one transaction per item.
void PlainMerge(const std::string& path, const CommandAccounts& accounts);

// Detaches the key's location accounts, deletes its related items below the
// database folder and then its account item, one transaction per item.
void PlainDelete(const std::string& path, const CommandAccounts& accounts);

// The same changes as PlainMerge and PlainDelete, each command as a few
// UPDATE and DELETE statements over all its rows in one transaction.
void SetMerge(const std::string& path, const CommandAccounts& accounts);
void SetDelete(const std::string& path, const CommandAccounts& accounts);

}  // namespace bench
