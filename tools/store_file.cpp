#include "tools/store_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "host/store/schema.h"
#include "host/temporary_files.h"

namespace storetool {
namespace {

namespace fs = std::filesystem;

constexpr const char* kJournalSuffixes[] = {"", "-wal", "-shm", "-journal"};

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

fs::path FolderOf(const fs::path& file) { return file.has_parent_path() ? file.parent_path() : fs::path("."); }


// Makes `folder` and the folders above it that are missing; yields those it
// made, the deepest first.
std::vector<std::string> MakeFolders(const fs::path& folder, const std::string& path) {
  std::vector<std::string> missing;
  std::error_code error;
  for (fs::path up = folder; !up.empty() && !fs::exists(up, error); up = up.parent_path()) {
    missing.push_back(up.string());
  }
  fs::create_directories(folder, error);
  if (error) {
    std::error_code ignored;
    for (const std::string& made : missing) fs::remove(made, ignored);
    throw std::runtime_error(path + ": cannot make its folder: " + error.message());
  }
  // A CRM store holds personal data: the folders made for it are private.
  for (const std::string& made : missing) fs::permissions(made, fs::perms::owner_all, error);
  return missing;
}

}  // namespace

NewStoreFile::NewStoreFile(std::string path, Folders folders) : path_(std::move(path)) {
  std::error_code error;
  if (fs::exists(path_, error)) FailExists(path_);
  const fs::path file(path_);
  if (folders == Folders::kMustExist && !fs::is_directory(FolderOf(file), error)) {
    throw std::runtime_error(path_ + ": the folder " + FolderOf(file).string() + " does not exist");
  }
  made_folders_ = MakeFolders(FolderOf(file), path_);
  RemoveLeftovers(path_);
  temp_path_ = (FolderOf(file) / host::TemporaryName(file.filename().string(), store::NewIdentifier(4))).string();
  std::vector<std::string> files;
  for (const char* suffix : kJournalSuffixes) files.push_back(temp_path_ + suffix);
  removal_.emplace(files, made_folders_);
}

NewStoreFile::~NewStoreFile() {
  removal_.reset();
  if (published_) return;
  std::error_code ignored;
  for (const char* suffix : kJournalSuffixes) fs::remove(temp_path_ + suffix, ignored);
  // Only empty folders go: another program may have put files there meanwhile.
  for (const std::string& folder : made_folders_) fs::remove(folder, ignored);
}

void NewStoreFile::Make(const std::function<void(const std::string& temp_path)>& write) {
  try {
    write(temp_path_);
  } catch (const std::exception& error) {
    std::string message = error.what();
    const std::size_t at = message.find(temp_path_);
    if (at == std::string::npos) throw;
    throw std::runtime_error(message.replace(at, temp_path_.size(), path_));
  }
  Publish();
}

void NewStoreFile::Publish() {
  MoveWithoutReplacing(temp_path_, path_);
  published_ = true;
}

void RemoveLeftovers(const std::string& path) {
  const fs::path file(path);
  const std::string name = file.filename().string();
  host::RemoveLeftovers(FolderOf(file), [&](std::string_view leftover) { return leftover == name; });
}

}  // namespace storetool
