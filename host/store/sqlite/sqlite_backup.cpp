#include "host/store/sqlite/sqlite_backup.h"

#include <stdexcept>

#include "host/store/sqlite/sqlite_database.h"

namespace store {
namespace {

// Pages copied between two looks at the progress: 4 MB of 4 KiB pages.
constexpr int kPagesPerStep = 1024;

// The source's read transaction, held over the whole copy so that every
// step reads the same snapshot.
class ReadSnapshot {
 public:
  explicit ReadSnapshot(SqliteDatabase& db) : db_(db) {
    db_.Exec("BEGIN");
    Statement(db_, "SELECT count(*) FROM sqlite_schema").Step();
  }
  ~ReadSnapshot() { db_.TryRun(Database::Control::kCommit); }
  ReadSnapshot(const ReadSnapshot&) = delete;
  ReadSnapshot& operator=(const ReadSnapshot&) = delete;

 private:
  SqliteDatabase& db_;
};

SqliteDatabase& Sqlite(Database& db) {
  auto* sqlite = dynamic_cast<SqliteDatabase*>(&db);
  if (sqlite == nullptr) throw host::Error(kStoreError, "the CRM store " + db.location() + " is not a SQLite file");
  return *sqlite;
}

}  // namespace

void CopySqliteStore(Database& from, Database& to, const std::string& target, const CopyProgress& progress) {
  SqliteDatabase& source = Sqlite(from);
  SqliteDatabase& copy = Sqlite(to);
  const ReadSnapshot snapshot(source);
  Statement page_size(source, "PRAGMA page_size");
  const auto bytes_per_page = static_cast<std::uint64_t>(page_size.Step() ? page_size.Int(0) : 0);
  sqlite3_backup* backup = sqlite3_backup_init(copy.handle(), "main", source.handle(), "main");
  if (backup == nullptr) copy.Fail("backup");
  int status = SQLITE_OK;
  while (status == SQLITE_OK) {
    status = sqlite3_backup_step(backup, kPagesPerStep);
    const auto total = static_cast<std::uint64_t>(sqlite3_backup_pagecount(backup));
    const auto left = static_cast<std::uint64_t>(sqlite3_backup_remaining(backup));
    progress((total - left) * bytes_per_page, total * bytes_per_page);
  }
  // Finishing reports an I/O or memory failure of any step; a busy or
  // locked step is not one of those.
  if (sqlite3_backup_finish(backup) != SQLITE_OK) copy.Fail("backup");
  if (status != SQLITE_DONE) throw std::runtime_error(target + ": cannot copy the store: " + sqlite3_errstr(status));
}

}  // namespace store
