#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace app {

// Splits the command-line text on every ";" into the command record: as many
// fields as separators plus one, each keeping every character between them.
std::vector<std::string> MakeCommandRecord(std::string_view command_line);

}  // namespace app
