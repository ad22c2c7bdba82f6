#pragma once

#include <filesystem>
#include <string>

namespace sheet {

// Makes `folder` (with its parents) when it is missing, and a new empty
// hidden file in it for a workbook to be written to before it is placed:
// ".BookN.xlsx.new-PID-XXXXXX" (see host::TemporaryName), after removing
// those that killed processes left there. Returns the file's path; throws
// host::Error (kSheetFailure) naming the folder when either cannot be made.
std::string NewTemporaryReport(const std::filesystem::path& folder);

// Moves the written file `temporary` into `folder` as "BookN.xlsx", N the
// first number from 1 whose file does not exist. An existing file is never
// replaced: one that appears meanwhile makes it take the next N. Returns the
// absolute path of the placed file; throws host::Error (kSheetFailure)
// naming both files when it cannot be moved.
std::string PlaceReport(const std::string& temporary, const std::filesystem::path& folder);

}  // namespace sheet
