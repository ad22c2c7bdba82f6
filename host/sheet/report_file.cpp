#include "host/sheet/report_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "host/sheet/xlsx_error.h"

namespace sheet {
namespace {

constexpr int kMostBooks = 100000;

// Moves `from` to `to` unless `to` exists: 0 on success, else the errno.
int MoveWithoutReplacing(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // A file system without renameat2: a new hard link also never replaces.
  if (link(from.c_str(), to.c_str()) != 0) return errno;
  unlink(from.c_str());
  return 0;
}

}  // namespace

std::string NewTemporaryReport(const std::filesystem::path& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) throw SheetError("cannot make the folder " + folder.string(), error.message());
  std::string path = (folder / ".BookXXXXXX.xlsx").string();
  const int file = mkstemps(path.data(), 5);
  if (file < 0) throw SheetError("cannot make a file in " + folder.string(), std::strerror(errno));
  close(file);
  return path;
}

std::string PlaceReport(const std::string& temporary, const std::filesystem::path& folder) {
  const std::filesystem::path absolute = std::filesystem::absolute(folder);
  for (int number = 1; number <= kMostBooks; ++number) {
    const std::string target = (absolute / ("Book" + std::to_string(number) + ".xlsx")).string();
    const int error = MoveWithoutReplacing(temporary, target);
    if (error == 0) return target;
    if (error != EEXIST) {
      throw SheetError("cannot move " + temporary + " to " + target, std::strerror(error));
    }
  }
  throw SheetError("cannot place " + temporary, "every name up to Book" +
                                                    std::to_string(kMostBooks) +
                                                    ".xlsx is taken in " + absolute.string());
}

}  // namespace sheet
