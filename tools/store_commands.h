#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "host/store/store_location.h"
#include "tools/store_file.h"

namespace storetool {

// Exit statuses of quorvia-store.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the command could not do its job
inline constexpr int kExitUsage = 2;   // unknown command or option, missing argument

// Runs quorvia-store with `args` (the words after the program name):
// output on `out`, messages on `err`, "import -" reads `in`. Returns the
// exit status; never throws for bad input or a failing store.
int RunStoreTool(const std::vector<std::string>& args, const store::Environment& environment, std::istream& in,
                 std::ostream& out, std::ostream& err);

}  // namespace storetool
