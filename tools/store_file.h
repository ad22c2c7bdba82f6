#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/removal_on_signal.h"

namespace storetool {

// A store file being made: it is written under a temporary name beside
// `path` (".NAME.new-PID-XXXXXXXX") and only appears under `path` when Make
// succeeds, so a failure half-way leaves no store behind. The temporary file
// and the folders made for it go on a failure and on SIGINT, SIGTERM or
// SIGHUP; after a SIGKILL, a later NewStoreFile or RemoveLeftovers for the
// same path removes them.
class NewStoreFile {
 public:
  // Whether the folders above the file are made when missing (a store at
  // its default place) or must exist (a file the user names: a backup).
  enum class Folders { kMake, kMustExist };

  // Creates the parent folders (0700) if needed and asked for. Throws
  // std::runtime_error naming the file when `path` exists already, or its
  // folder cannot be made or, when it must exist, does not.
  explicit NewStoreFile(std::string path, Folders folders = Folders::kMake);
  // Removes the temporary file, its journals and the folders this object
  // made, unless Make succeeded.
  ~NewStoreFile();
  NewStoreFile(const NewStoreFile&) = delete;
  NewStoreFile& operator=(const NewStoreFile&) = delete;

  // Runs `write`, which makes and closes the store at the temporary path it
  // is given, then moves the file to `path`, never replacing a file that
  // appeared there meanwhile. Errors escape; those that name the temporary
  // file (a full disk, say) are thrown again as std::runtime_error naming
  // `path` instead.
  void Make(const std::function<void(const std::string& temp_path)>& write);

 private:
  void Publish();

  std::string path_;
  std::string temp_path_;
  std::vector<std::string> made_folders_;  // the deepest first
  std::optional<host::RemovalOnSignal> removal_;
  bool published_ = false;
};

// Removes the temporary files that runs killed while making a store at
// `path` left beside it: those whose process has ended. Files that cannot
// be removed, and those of other stores, stay.
void RemoveLeftovers(const std::string& path);

}  // namespace storetool
