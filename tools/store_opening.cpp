#include "tools/store_opening.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "host/store/schema.h"

namespace storetool {
namespace {

constexpr char kHowToMakeOne[] =
    "Make one with 'quorvia-store init' (empty), 'quorvia-store import FILE' (from a JSON document)\n"
    "or 'quorvia-store demo --accounts N' (made-up accounts).";

// An empty file is a database to SQLite; any other file starts with its
// 16-byte header.
bool IsSqliteFile(const std::string& path) {
  static constexpr char kHeader[] = "SQLite format 3";  // and its final NUL
  char start[sizeof kHeader] = {};
  std::ifstream file(path, std::ios::binary);
  file.read(start, sizeof start);
  return file.gcount() == 0 || (file.gcount() == sizeof start && std::memcmp(start, kHeader, sizeof start) == 0);
}

}  // namespace

std::unique_ptr<store::Database> OpenStoreToRead(const std::string& path) {
  std::error_code error;
  const bool exists = std::filesystem::exists(path, error);
  if (exists && std::filesystem::is_regular_file(path, error) && !IsSqliteFile(path)) {
    throw std::runtime_error("cannot open the CRM store " + path + ": not a CRM store (not an SQLite database)");
  }
  try {
    return store::OpenStoreReadOnly(path);
  } catch (const std::exception& failure) {
    if (exists) throw;
    throw std::runtime_error(std::string(failure.what()) + "\n" + kHowToMakeOne);
  }
}

}  // namespace storetool
