#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace storetool {

// The entry identifiers a load has used, as a Bloom filter of fixed size:
// "not used" is certain, "maybe used" is to be asked of the store. It
// spares a load of many items a lookup per item, which on a server is a
// round trip, in memory that does not grow with the store; past a few
// million identifiers more of the answers are "maybe".
class EntryIdFilter {
 public:
  EntryIdFilter();
  void Add(std::string_view entry_id);
  bool MaybeHas(std::string_view entry_id) const;

 private:
  // The bits of `entry_id`, each a word's index and a mask in it.
  template <class Visit>
  void ForEachBit(std::string_view entry_id, Visit&& visit) const;

  std::vector<std::uint64_t> words_;
};

}  // namespace storetool
