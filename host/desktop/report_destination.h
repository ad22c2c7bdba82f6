#pragma once

#include <filesystem>
#include <string>

namespace desktop {

// Where the spreadsheet reports go: QUORVIA_REPORTS_DIR when set, else the
// documents folder that `xdg-user-dir DOCUMENTS` names, else ~/Documents.
// The folder may not exist yet. Throws std::runtime_error when none can be
// told (no HOME).
std::filesystem::path ReportsFolder();

// Starts the desktop's default application for `path` (xdg-open, no shell,
// not waited for) unless QUORVIA_OPEN is 0 or no display is set. Yields why
// it could not be started; "" when it was, or was not meant to be.
std::string OpenWithDesktop(const std::string& path);

}  // namespace desktop
