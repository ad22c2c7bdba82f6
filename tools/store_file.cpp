#include "tools/store_file.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

#include "host/store/schema.h"

namespace storetool {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void FailExists(const std::string& path) {
  throw std::runtime_error(path + ": the file exists already; it is not overwritten");
}

// Moves `from` to `to` unless `to` exists, atomically where the file system
// allows it.
void MoveWithoutReplacing(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return;
  if (errno == EEXIST) FailExists(to);
  if (errno != EINVAL && errno != ENOSYS) {
    throw std::runtime_error(to + ": cannot move the new store into place: " + std::strerror(errno));
  }
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return;
  }
  if (errno == EEXIST) FailExists(to);
  std::error_code error;
  if (fs::exists(to, error)) FailExists(to);
  fs::rename(from, to, error);
  if (error) throw std::runtime_error(to + ": cannot move the new store into place: " + error.message());
}

}  // namespace

NewStoreFile::NewStoreFile(std::string path) : path_(std::move(path)) {
  std::error_code error;
  if (fs::exists(path_, error)) FailExists(path_);
  const fs::path file(path_);
  const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
  fs::create_directories(folder, error);
  if (error) throw std::runtime_error(path_ + ": cannot make its folder: " + error.message());
  const std::string name = file.filename().string();
  temp_path_ = (folder / std::string(".").append(name).append(".new-").append(store::NewIdentifier(6))).string();
}

NewStoreFile::~NewStoreFile() {
  if (published_) return;
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
    std::error_code ignored;
    fs::remove(temp_path_ + suffix, ignored);
  }
}

void NewStoreFile::Publish() {
  MoveWithoutReplacing(temp_path_, path_);
  published_ = true;
}

}  // namespace storetool
