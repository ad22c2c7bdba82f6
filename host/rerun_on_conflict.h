#pragma once

#include <string>

#include "host/error.h"

namespace host {

// How many times a transaction that conflicted with another program's (a
// serialization failure or a deadlock) is run again before the run gives up.
inline constexpr int kConflictReruns = 5;

// Runs `begin`, which starts the transaction (rolling back whatever an earlier
// try left), then `body`. When either throws StoreConflict both run again, at
// most kConflictReruns times; the conflict after that ends the run as a
// StoreFailure that says so. Nothing but the transaction may carry state from
// one try to the next: `begin` resets what `body` keeps elsewhere.
template <class Begin, class Body>
void RerunOnConflict(Begin&& begin, Body&& body) {
  for (int rerun = 0;; ++rerun) {
    try {
      begin();
      body();
      return;
    } catch (const StoreConflict& conflict) {
      if (rerun == kConflictReruns) {
        throw StoreFailure(conflict.number(), conflict.description() + " (run again " +
                                                  std::to_string(kConflictReruns) +
                                                  " times, in conflict with another run each time)");
      }
    }
  }
}

}  // namespace host
