#include "host/sheet/report_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <string_view>
#include <system_error>

#include "host/sheet/xlsx_error.h"
#include "host/temporary_files.h"

namespace sheet {
namespace {

constexpr int kMostBooks = 100000;
// How many names a new temporary file tries before it gives up.
constexpr int kMostTries = 100;

// Six letters and digits that tell two temporary files of one process apart.
std::string RandomTag(std::random_device& random) {
  constexpr std::string_view kAlphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  std::uniform_int_distribution<std::size_t> pick(0, kAlphabet.size() - 1);
  std::string tag;
  for (int i = 0; i < 6; ++i) tag += kAlphabet[pick(random)];
  return tag;
}

std::string BookName(int number) { return "Book" + std::to_string(number) + ".xlsx"; }

// Whether `name` is a report's: "BookN.xlsx", N a number.
bool IsBookName(std::string_view name) {
  constexpr std::string_view kStart = "Book";
  constexpr std::string_view kEnd = ".xlsx";
  if (name.size() <= kStart.size() + kEnd.size() || !name.starts_with(kStart) || !name.ends_with(kEnd)) return false;
  const std::string_view number = name.substr(kStart.size(), name.size() - kStart.size() - kEnd.size());
  return std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The first number from 1 whose report is not in `folder` yet.
int FirstFreeNumber(const std::filesystem::path& folder) {
  int number = 1;
  std::error_code error;
  while (number < kMostBooks && std::filesystem::exists(folder / BookName(number), error)) ++number;
  return number;
}

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

TemporaryReport::TemporaryReport(const std::filesystem::path& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) throw SheetError("cannot make the folder " + folder.string(), error.message());
  host::RemoveLeftovers(folder, IsBookName);
  const std::string book = BookName(FirstFreeNumber(folder));
  std::random_device random;
  for (int tries = 1;; ++tries) {
    path_ = (folder / host::TemporaryName(book, RandomTag(random))).string();
    // Guarded before it exists: a signal in between finds nothing to remove.
    removal_.emplace(std::vector<std::string>{path_}, std::vector<std::string>{});
    const int file = open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    const int why = errno;
    if (file >= 0) {
      close(file);
      return;
    }
    if (why != EEXIST || tries == kMostTries) {
      removal_.reset();
      throw SheetError("cannot make a file in " + folder.string(), std::strerror(why));
    }
  }
}

std::string PlaceReport(const std::string& temporary, const std::filesystem::path& folder) {
  const std::filesystem::path absolute = std::filesystem::absolute(folder);
  for (int number = 1; number <= kMostBooks; ++number) {
    const std::string target = (absolute / BookName(number)).string();
    const int error = MoveWithoutReplacing(temporary, target);
    if (error == 0) return target;
    if (error != EEXIST) {
      throw SheetError("cannot move " + temporary + " to " + target, std::strerror(error));
    }
  }
  throw SheetError("cannot place " + temporary,
                   "every name up to " + BookName(kMostBooks) + " is taken in " + absolute.string());
}

}  // namespace sheet
