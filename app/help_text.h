#pragma once

namespace app {

// What `quorvia-utilities --help` prints: the command line, the functions,
// the environment and the exit statuses.
extern const char kHelpText[];

}  // namespace app
