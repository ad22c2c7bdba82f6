#include "bench/log_growth.h"

#include <sqlite3.h>

#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"

namespace bench {
namespace {

namespace fs = std::filesystem;

// The WAL file's header, and each frame's header before its page.
constexpr std::int64_t kLogHeader = 32;
constexpr std::int64_t kFrameHeader = 24;

// Pages of `page_size` bytes that differ between two files, a page only
// one of them has included.
std::int64_t PagesDiffering(const fs::path& a, const fs::path& b, std::int64_t page_size) {
  std::ifstream first(a, std::ios::binary);
  std::ifstream second(b, std::ios::binary);
  std::vector<char> page_a(page_size);
  std::vector<char> page_b(page_size);
  std::int64_t differing = 0;
  while (first || second) {
    page_a.assign(page_size, 0);
    page_b.assign(page_size, 0);
    first.read(page_a.data(), page_size);
    second.read(page_b.data(), page_size);
    if (first.gcount() == 0 && second.gcount() == 0) break;
    if (page_a != page_b || first.gcount() != second.gcount()) ++differing;
  }
  return differing;
}

void Exec(sqlite3* db, const char* sql, const fs::path& path) {
  if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
    Fail(path.string() + ": " + sql + ": " + sqlite3_errmsg(db));
  }
}

std::int64_t PageSize(sqlite3* db) {
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db, "PRAGMA page_size", -1, &statement, nullptr);
  const std::int64_t size = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : 0;
  sqlite3_finalize(statement);
  return size;
}

}  // namespace

LogGrowth MeasureLogGrowth(const fs::path& path, const std::function<void()>& write) {
  const fs::path before = path.string() + ".before";
  fs::copy_file(path, before, fs::copy_options::overwrite_existing);
  sqlite3* holder = nullptr;
  if (sqlite3_open_v2(path.c_str(), &holder, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    Fail(path.string() + ": cannot open it to hold its log");
  }
  Exec(holder, "SELECT count(*) FROM sqlite_master", path);
  write();
  const std::int64_t page_size = PageSize(holder);
  const fs::path log = path.string() + "-wal";
  const std::int64_t log_size = fs::exists(log) ? static_cast<std::int64_t>(fs::file_size(log)) : 0;
  Exec(holder, "PRAGMA wal_checkpoint(TRUNCATE)", path);
  sqlite3_close(holder);
  LogGrowth growth;
  growth.frames = log_size > kLogHeader ? (log_size - kLogHeader) / (page_size + kFrameHeader) : 0;
  growth.pages_changed = PagesDiffering(before, path, page_size);
  fs::remove(before);
  return growth;
}

}  // namespace bench
