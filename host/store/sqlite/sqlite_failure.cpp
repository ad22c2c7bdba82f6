#include "host/store/sqlite/sqlite_failure.h"

#include "host/store/store_failure.h"
#include "host/store/store_files.h"

namespace store {

std::string WhyNotOpened(sqlite3* db) {
  if (db == nullptr) return "out of memory";
  std::string message = sqlite3_errmsg(db);
  switch (sqlite3_extended_errcode(db) & 0xFF) {
    case SQLITE_CANTOPEN: case SQLITE_IOERR: {
      const int error = sqlite3_system_errno(db);
      return error != 0 ? SystemReason(error) : message;
    }
    case SQLITE_NOTADB: return "not a CRM store (not an SQLite database)";
    case SQLITE_CORRUPT: return "the file is damaged (" + message + ")";
    default: return message;
  }
}

std::optional<std::string> StoreWideFailure(const std::string& path, int result_code,
                                            std::string_view sqlite_message) {
  switch (result_code & 0xFF) {
    case SQLITE_CORRUPT: case SQLITE_NOTADB: case SQLITE_IOERR: case SQLITE_CANTOPEN:
      return DamagedStore(path, sqlite_message);
    case SQLITE_FULL: return FullDisk(path);
    case SQLITE_READONLY: return ReadOnlyStore(path);
    default: return std::nullopt;
  }
}

}  // namespace store
