#pragma once

#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/store_engines.h"

// Sixteen Merges of sixteen different account pairs started at once, against
// the same Merges run one after another, on fresh copies of one store.
namespace bench {

inline constexpr int kConcurrentMerges = 16;

// The Merge command lines: each folds an account into another, no account
// in two pairs, none a location account or the parent of one (whose
// locations a Merge also changes), none A000001. Read from the store file
// `path`; fails when it has too few such accounts.
std::vector<std::string> FindMergeLines(const std::string& path);

// What one engine's run showed: the figures' row, and the digest of the
// export that both ways left, which must be equal.
struct ConcurrencyResult {
  std::vector<std::string> row;
  std::string digest;
};

// Times the Merges on `engine`'s copies of `size`: T1, one Merge alone (the
// median of the sixteen run one after another), and T16, the wall time of
// all sixteen started at once, from the first start to the last end; each
// must end with status 0. The two ways take turns. On a server T16 is held
// to kConcurrencyGoal x T1 x ceil(16 / processors).
ConcurrencyResult MeasureConcurrentMerges(const Options& options, const WorkFolder& folder, StoreEngine& engine,
                                          const StoreSize& size, const std::vector<std::string>& lines);

// The header of the rows MeasureConcurrentMerges yields.
std::vector<std::string> ConcurrencyHeader();

}  // namespace bench
