#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace inspector {

// What `quorvia-inspector --help` prints: what it is, how it is started, its
// environment, files and exit statuses.
extern const char kHelpText[];

// Answers the command line before any window: --help and --version print on
// `out` and yield 0; any other argument writes the reason on `err` and
// yields 2; no argument yields nullopt, for the inspector to run.
std::optional<int> AnswerCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Sends standard error to inspector.log beside the utility's run log when it
// is not a terminal (the utility starts the inspector with none), so that its
// errors are kept; leaves it alone when the log is off or cannot be opened.
void KeepErrorsInLog();

}  // namespace inspector
