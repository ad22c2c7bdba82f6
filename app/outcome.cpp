#include "app/outcome.h"

#include <algorithm>
#include <array>

namespace app {
namespace {

// Most telling first; outcomes that end a run before any work (usage, no
// session) are never combined with others and come before them all.
constexpr std::array kRanking = {
    Outcome::kUsage,         Outcome::kNoSession,   Outcome::kStoreUnusable,
    Outcome::kAbandoned,     Outcome::kReportsFailed, Outcome::kPartlyDone,
    Outcome::kNotDone,       Outcome::kDone,
};

int Rank(Outcome outcome) {
  return static_cast<int>(std::find(kRanking.begin(), kRanking.end(), outcome) - kRanking.begin());
}

}  // namespace

int ExitStatus(Outcome outcome) { return static_cast<int>(outcome); }

bool Outranks(Outcome a, Outcome b) { return Rank(a) < Rank(b); }

}  // namespace app
