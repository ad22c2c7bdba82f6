#pragma once

#include <string>

namespace app {

// How a run ended; main turns it into the exit status.
enum class Outcome {
  kDone,            // the command did what it was asked (or is one that does nothing)
  kNotDone,         // the command ended early: declined, same account, item not found
  kUsage,           // empty command line, an unknown function name, text that is not UTF-8
  kNoSession,       // no mail client or no MAPI session could be had
  kAbandoned,       // the operation was ended by an error it let escape
  kReportsFailed,   // the reports database could not be opened or refused a statement
  kStoreUnusable,   // the CRM store is damaged, full or read-only
  kPartlyDone,      // done, but some items could not be changed or shown
};

// The process exit status of an outcome: 0 to 7 in the order above.
int ExitStatus(Outcome outcome);

// Whether `a` says more about a run than `b` when both apply to it. A run
// that ends in several ways reports the first of: store unusable,
// abandoned, reports database failed, partly done, not done.
bool Outranks(Outcome a, Outcome b);

// How a run ended and why. `reason` is empty for a run that did its work;
// `shown` tells that a message box has given the user the reason already.
struct Ending {
  Outcome outcome = Outcome::kDone;
  std::string reason;
  bool shown = false;
};

// Thrown by Form1::ProgramEnd after its clean-up to end the run. It is not a
// host::Error, so no resume-next handling swallows it.
struct ProgramEnded {
  Outcome outcome;
};

}  // namespace app
