#include "tools/store_backup.h"

#include <sqlite3.h>

#include <cstdint>
#include <stdexcept>

#include "tools/store_file.h"

namespace storetool {
namespace {

// Pages copied between two looks at the progress: 4 MB of 4 KiB pages.
constexpr int kPagesPerStep = 1024;

// The source's read transaction, held over the whole copy so that every
// step reads the same snapshot.
class ReadSnapshot {
 public:
  explicit ReadSnapshot(store::Database& db) : db_(db) {
    db_.Exec("BEGIN");
    store::Statement(db_, "SELECT count(*) FROM sqlite_schema").Step();
  }
  ~ReadSnapshot() { sqlite3_exec(db_.handle(), "COMMIT", nullptr, nullptr, nullptr); }
  ReadSnapshot(const ReadSnapshot&) = delete;
  ReadSnapshot& operator=(const ReadSnapshot&) = delete;

 private:
  store::Database& db_;
};

void CopyPages(store::Database& from, store::Database& to, const std::string& target, ProgressMeter& progress) {
  store::Statement page_size(from, "PRAGMA page_size");
  const auto bytes_per_page = static_cast<std::uint64_t>(page_size.Step() ? page_size.Int(0) : 0);
  sqlite3_backup* backup = sqlite3_backup_init(to.handle(), "main", from.handle(), "main");
  if (backup == nullptr) to.Fail("backup");
  int status = SQLITE_OK;
  while (status == SQLITE_OK) {
    status = sqlite3_backup_step(backup, kPagesPerStep);
    const auto total = static_cast<std::uint64_t>(sqlite3_backup_pagecount(backup));
    const auto left = static_cast<std::uint64_t>(sqlite3_backup_remaining(backup));
    progress.Update((total - left) * bytes_per_page, total * bytes_per_page);
  }
  // Finishing reports an I/O or memory failure of any step; a busy or
  // locked step is not one of those.
  if (sqlite3_backup_finish(backup) != SQLITE_OK) to.Fail("backup");
  if (status != SQLITE_DONE) throw std::runtime_error(target + ": cannot copy the store: " + sqlite3_errstr(status));
}

}  // namespace

void BackupStore(store::Database& source, const std::string& target, ProgressMeter& progress) {
  const ReadSnapshot snapshot(source);
  NewStoreFile file(target, NewStoreFile::Folders::kMustExist);
  file.Make([&](const std::string& temp_path) {
    store::Database copy(temp_path, store::Database::Mode::kCreateNew);
    CopyPages(source, copy, target, progress);
  });
}

}  // namespace storetool
