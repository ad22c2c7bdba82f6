#pragma once

#include <cstdint>
#include <string>

namespace storetool::demo {

// The descriptive fields of one demo account.
struct AccountInfo {
  std::string key;          // AccountID
  std::string name;         // "Account Name", also the item's subject
  std::string manager;      // "Account Manager"
  std::string team;         // "Team"
  std::string alignment;    // "Alignment"
  std::string parent_name;  // "Account Parent": empty unless a location account
  std::string parent_key;   // "Account LocationID": empty unless a location account
  std::string industry;
};

// The accounts of a demo store, numbered 1 to `count`, each computed on
// demand from the seed so that no list of accounts is ever kept. About one
// account in ten is a location of an earlier account that is not a location
// itself; it takes its parent's manager, team and alignment.
class AccountPlan {
 public:
  // With `key_locations` > 0, accounts 2 to key_locations + 1 are the
  // locations of account 1, and no other account is.
  AccountPlan(std::uint64_t seed, std::int64_t count, std::int64_t key_locations);

  // The parent of account `index` (1-based), or 0 when it has none.
  std::int64_t ParentOf(std::int64_t index) const;
  // The fields of account `index`.
  AccountInfo Info(std::int64_t index) const;
  // The key of account `index`: "A" and at least six digits (A000001).
  static std::string Key(std::int64_t index);

 private:
  bool MayBeLocation(std::int64_t index) const;
  AccountInfo Own(std::int64_t index) const;

  std::uint64_t seed_;
  std::int64_t count_;
  std::int64_t key_locations_;
};

}  // namespace storetool::demo
