#include "tools/entry_id_filter.h"

#include <functional>

namespace storetool {
namespace {

// 2^26 bits (8 MiB), four bits an identifier: for the million items of a
// large store about one "maybe" in 60,000 is wrong.
constexpr std::size_t kBits = std::size_t{1} << 26;
constexpr int kBitsPerId = 4;

// A second hash from the first (splitmix64's finaliser), odd so that its
// multiples step through every bit.
std::uint64_t Mixed(std::uint64_t hash) {
  hash = (hash ^ (hash >> 30)) * 0xBF58476D1CE4E5B9u;
  hash = (hash ^ (hash >> 27)) * 0x94D049BB133111EBu;
  return (hash ^ (hash >> 31)) | 1u;
}

}  // namespace

EntryIdFilter::EntryIdFilter() : words_(kBits / 64) {}

template <class Visit>
void EntryIdFilter::ForEachBit(std::string_view entry_id, Visit&& visit) const {
  const std::uint64_t first = std::hash<std::string_view>{}(entry_id);
  const std::uint64_t step = Mixed(first);
  for (int i = 0; i < kBitsPerId; ++i) {
    const std::uint64_t bit = (first + static_cast<std::uint64_t>(i) * step) % kBits;
    visit(static_cast<std::size_t>(bit / 64), std::uint64_t{1} << (bit % 64));
  }
}

void EntryIdFilter::Add(std::string_view entry_id) {
  ForEachBit(entry_id, [this](std::size_t word, std::uint64_t mask) { words_[word] |= mask; });
}

bool EntryIdFilter::MaybeHas(std::string_view entry_id) const {
  bool all = true;
  ForEachBit(entry_id, [&](std::size_t word, std::uint64_t mask) { all = all && (words_[word] & mask) != 0; });
  return all;
}

}  // namespace storetool
