#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "host/removal_on_signal.h"

namespace sheet {

// A new empty hidden file for a workbook to be written to before it is
// placed, ".BookN.xlsx.new-PID-XXXXXX" (see host::TemporaryName) in a
// reports folder, named after the report it is likely to become. From before
// the file exists until this object goes, SIGINT, SIGTERM and SIGHUP remove
// it before they end the process; the file itself stays when the object goes.
class TemporaryReport {
 public:
  // Makes `folder` (with its parents) when it is missing, removes the files
  // that killed processes left there, and makes the file. Throws
  // host::Error (kSheetFailure) naming the folder when either cannot be made.
  explicit TemporaryReport(const std::filesystem::path& folder);

  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::optional<host::RemovalOnSignal> removal_;
};

// Moves the written file `temporary` into `folder` as "BookN.xlsx", N the
// first number from 1 whose file does not exist. An existing file is never
// replaced: one that appears meanwhile makes it take the next N. Returns the
// absolute path of the placed file; throws host::Error (kSheetFailure)
// naming both files when it cannot be moved.
std::string PlaceReport(const std::string& temporary, const std::filesystem::path& folder);

}  // namespace sheet
