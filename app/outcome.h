#pragma once

namespace app {

// How a run ended; main turns it into the exit status.
enum class Outcome {
  kDone,        // the command did what it was asked (or is one that does nothing)
  kNotDone,     // the command ended early: declined, same account, item not found
  kUsage,       // empty command line or an unknown function name
  kNoSession,   // no mail client or no MAPI session could be had
  kAbandoned,   // the operation was ended by an error it let escape
  kReportsFailed,  // the reports database could not be opened or refused a statement
  kStoreUnusable,  // the CRM store is damaged, full or read-only
  kPartlyDone,     // done, but some items could not be changed or shown
};

// The process exit status of an outcome: 0 to 7 in the order above.
int ExitStatus(Outcome outcome);

// Thrown by Form1::ProgramEnd after its clean-up to end the run. It is not a
// host::Error, so no resume-next handling swallows it.
struct ProgramEnded {
  Outcome outcome;
};

}  // namespace app
