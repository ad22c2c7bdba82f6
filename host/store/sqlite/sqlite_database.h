#pragma once

#include <sqlite3.h>

#include <array>
#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "host/store/database.h"

namespace store {

// The CRM store in a SQLite file: WAL journal, foreign keys on, a busy
// timeout. Its SQL has one function of ours: is_utf8(X), 1 unless X is a
// text that is not UTF-8.
class SqliteDatabase final : public Database {
 public:
  // Opens or creates the file. Throws host::Error ("cannot open the CRM
  // store PATH: WHY") when it cannot.
  SqliteDatabase(const std::string& path, Mode mode);
  ~SqliteDatabase() override;

  const std::string& location() const override { return path_; }
  const Dialect& dialect() const override;
  std::unique_ptr<PreparedStatement> Prepare(const char* sql) const override;
  void Exec(const char* sql) override;
  void Run(Control control) override;
  bool TryRun(Control control) noexcept override;
  bool InTransaction() const override { return sqlite3_get_autocommit(db_) == 0; }
  void SetBusyTimeout(std::chrono::milliseconds timeout) override;
  int Changes() const override { return sqlite3_changes(db_); }
  std::string WhyNotOpened() const override;
  [[noreturn]] void Fail(std::string_view context) const override;

  // For the SQLite-only operations beside this class (backup).
  sqlite3* handle() const { return db_; }

 private:
  std::string path_;
  sqlite3* db_ = nullptr;
  std::chrono::milliseconds busy_timeout_{30000};
  std::array<sqlite3_stmt*, 7> controls_{};
};

}  // namespace store
