#pragma once

#include <string>

namespace store {

// The run whose changes a session journals: its identity, local start time
// (ISO 8601 with offset), OS user and command line. An empty id journals
// nothing.
struct RunRecord {
  std::string id;
  std::string started;
  std::string user;
  std::string command;
};

// How long the journal keeps runs: the last `runs` runs, and every run that
// started within `days` days; a run is removed only when it is neither.
struct Retention {
  int runs = 100;
  int days = 30;

  // QUORVIA_JOURNAL_RUNS and QUORVIA_JOURNAL_DAYS of this process; a variable
  // that is unset or not a whole number from 0 keeps the default.
  static Retention FromProcess();
};

// Whether QUORVIA_JOURNAL=0 turns the journal off for this process's runs
// (to measure what it costs).
bool JournalOffInProcess();

}  // namespace store
