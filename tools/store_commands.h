#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "host/store/store_location.h"

namespace storetool {

// Exit statuses of quorvia-store.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the command could not do its job, or find found nothing
inline constexpr int kExitUsage = 2;   // unknown command or option, missing or bad argument

// Runs quorvia-store with `args` (the words after the program name):
// output on `out`, messages on `err`, "import -" reads `in`. Long work shows
// its progress on `err` when `err_is_terminal`. Returns the exit status;
// never throws for bad input, a failing store or output that cannot be
// written.
int RunStoreTool(const std::vector<std::string>& args, const store::Environment& environment, std::istream& in,
                 std::ostream& out, std::ostream& err, bool err_is_terminal = false);

}  // namespace storetool
