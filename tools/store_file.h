#pragma once

#include <string>

namespace storetool {

// A store file being made: it is written under a temporary name beside
// `path` and only appears under `path` when Publish succeeds, so a failure
// half-way leaves no store behind.
class NewStoreFile {
 public:
  // Creates the parent folder (0700) if needed. Throws std::runtime_error naming
  // the file when `path` exists already or the folder cannot be made.
  explicit NewStoreFile(std::string path);
  // Removes the temporary file and its journals unless Publish succeeded.
  ~NewStoreFile();
  NewStoreFile(const NewStoreFile&) = delete;
  NewStoreFile& operator=(const NewStoreFile&) = delete;

  const std::string& path() const { return path_; }
  // Where to write the store until it is published.
  const std::string& temp_path() const { return temp_path_; }

  // Moves the finished, closed file to `path`, never replacing a file that
  // appeared there meanwhile. Throws std::runtime_error naming the file.
  void Publish();

 private:
  std::string path_;
  std::string temp_path_;
  bool published_ = false;
};

}  // namespace storetool
