#pragma once

#include <string>

namespace storetool {

// The environment variables that choose the store when --store is not given.
struct Environment {
  std::string quorvia_store;  // QUORVIA_STORE
  std::string xdg_data_home;  // XDG_DATA_HOME
  std::string home;           // HOME

  // Reads the three variables of this process (unset reads as empty).
  static Environment FromProcess();
};

// The store used when --store is not given: QUORVIA_STORE, else
// XDG_DATA_HOME/quorvia/crm.db (an absolute XDG_DATA_HOME only), else
// HOME/.local/share/quorvia/crm.db. Throws std::runtime_error without HOME.
std::string DefaultStorePath(const Environment& environment);

// A store file being made: it is written under a temporary name beside
// `path` and only appears under `path` when Publish succeeds, so a failure
// half-way leaves no store behind.
class NewStoreFile {
 public:
  // Creates the parent folder if needed. Throws std::runtime_error naming
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
