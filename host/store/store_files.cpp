#include "host/store/store_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "host/error.h"
#include "host/store/database.h"

namespace store {
namespace {

namespace fs = std::filesystem;

constexpr mode_t kPrivateFolder = 0700;
constexpr mode_t kPrivateFile = 0600;
constexpr mode_t kAnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;

// Root may write anything its mode forbids; the mode still says what the
// owner meant, so a file without any write bit counts as read-only.
bool CannotWrite(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return true;
  if ((status.st_mode & kAnyWrite) == 0 || ::access(path.c_str(), W_OK) != 0) return true;
  struct statvfs file_system {};
  return ::statvfs(path.c_str(), &file_system) == 0 && (file_system.f_flag & ST_RDONLY) != 0;
}

std::string FolderOf(const std::string& path) {
  const fs::path parent = fs::path(path).parent_path();
  return parent.empty() ? std::string(".") : parent.string();
}

}  // namespace

void CreatePrivateFolders(const std::string& folder) {
  fs::path made;
  for (const fs::path& part : fs::path(folder)) {
    made /= part;
    if (::mkdir(made.c_str(), kPrivateFolder) == 0) {
      // The umask may take bits from the owner too; the mode is exactly 0700.
      ::chmod(made.c_str(), kPrivateFolder);
    } else if (errno != EEXIST) {
      throw host::Error(kStoreError, "cannot make the folder " + made.string() + " for the CRM store: " +
                                         SystemReason(errno));
    }
  }
}

void CreatePrivateFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kPrivateFile);
  if (fd < 0 && errno == EEXIST) {
    throw host::Error(kStoreError, path + ": the file exists already; it is not overwritten");
  }
  if (fd < 0) {
    throw host::Error(kStoreError, "cannot create the CRM store " + path + ": " + SystemReason(errno));
  }
  ::fchmod(fd, kPrivateFile);
  ::close(fd);
}

std::string SystemReason(int error) {
  switch (error) {
    case ENOENT: return "no such file";
    case EISDIR: return "it is a folder, not a file";
    case ENOTDIR: return "a part of the path is not a folder";
    case EACCES: case EPERM: return "permission denied";
    case EROFS: return "the file system is read-only";
    case ENOSPC: return "the disk is full";
    default: break;
  }
  std::string reason = std::strerror(error);
  if (!reason.empty() && reason.front() >= 'A' && reason.front() <= 'Z') reason.front() += 'a' - 'A';
  return reason;
}

bool IsReadOnlyPlace(const std::string& path) { return CannotWrite(path) || CannotWrite(FolderOf(path)); }

}  // namespace store
