#pragma once

#include <filesystem>
#include <string>

namespace desktop {

// Where the spreadsheet reports go: QUORVIA_REPORTS_DIR when set, else the
// documents folder that `xdg-user-dir DOCUMENTS` names unless that is the
// home folder itself (its answer when no documents folder is set up), else
// ~/Documents. The folder may not exist yet. Throws std::runtime_error when
// none can be told (no HOME).
std::filesystem::path ReportsFolder();

// Starts the desktop's default application for `path` (xdg-open, no shell,
// its own session) unless QUORVIA_OPEN is 0 or no display is set. What it
// writes goes to the open descriptor `output` (-1: nowhere), the file
// `output_name`. It is waited for one second at most. Yields why the file
// was not opened: xdg-open could not be started, or ended within that second
// with a failure; "" otherwise.
std::string OpenWithDesktop(const std::string& path, int output, const std::string& output_name);

}  // namespace desktop
