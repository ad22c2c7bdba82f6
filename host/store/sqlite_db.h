#pragma once

#include <sqlite3.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "host/store/store_failure.h"
#include "host/value.h"

namespace store {

// An open SQLite database file: WAL journal, foreign keys on, and a busy
// timeout so that two processes on one file wait for each other. A wait for
// the store that outlasts the timeout fails as a failure of the whole store.
// Its SQL has one function of ours: is_utf8(X), 1 unless X is a text that
// is not UTF-8.
class Database {
 public:
  enum class Mode {
    kOpenExisting,  // read and write an existing file
    kCreateNew,     // a new private file (mode 0600); fails if anything is there
    kReadOnly,      // read only, changing nothing in the file or beside it
  };

  // Opens or creates the file. Throws host::Error ("cannot open the CRM
  // store PATH: WHY") when it cannot.
  Database(const std::string& path, Mode mode);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  const std::string& path() const { return path_; }
  sqlite3* handle() const { return db_; }
  // Whether a transaction is open on this connection.
  bool InTransaction() const { return sqlite3_get_autocommit(db_) == 0; }

  // How long a statement waits for another connection's lock before it
  // fails; 30 s unless a test shortens it.
  void SetBusyTimeout(std::chrono::milliseconds timeout);

  // Runs statements that take no parameters and yield no rows.
  void Exec(const char* sql);

  // The statements that begin and end transactions, prepared once for the
  // connection: they run once or twice for every committed call, and parsing
  // them anew each time cost more than running them.
  enum class Control { kBegin, kBeginImmediate, kCommit, kRollback, kSavepoint, kRollbackToSavepoint, kRelease };
  // Runs one; throws as Fail does.
  void Run(Control control);
  // Runs one and yields SQLite's result code; for ending a transaction on a
  // path that is already failing.
  int TryRun(Control control) noexcept;

  // Throws for SQLite's last failure: host::StoreFailure when it makes the
  // whole store unusable (damaged, full, read-only: see StoreWideFailure; or
  // locked by another program past the busy timeout), else host::Error with
  // the file, SQLite's message and `context`.
  [[noreturn]] void Fail(std::string_view context) const;

 private:
  std::string path_;
  sqlite3* db_ = nullptr;
  std::chrono::milliseconds busy_timeout_{30000};
  std::array<sqlite3_stmt*, 7> controls_{};
};

// A prepared statement. Bind indexes are 1-based, column indexes 0-based.
class Statement {
 public:
  Statement(const Database& db, const char* sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int index, std::string_view text);
  Statement& Bind(int index, std::int64_t number);
  Statement& Bind(int index, double number);
  Statement& BindNull(int index);
  // Binds a property value in its stored form: text and times as text,
  // numbers and Booleans (0 or 1) as integers, empty and null as "".
  Statement& BindValue(int index, const host::Value& value);

  // Steps once: true while a row is there, false when done.
  bool Step();
  // Steps to the end; for statements that yield no rows.
  void Run();
  // Runs a statement that yields no rows and resets it, yielding SQLite's
  // result code instead of throwing: for failures the caller expects.
  int TryRun() noexcept;
  void Reset();

  std::string Text(int column) const;
  std::int64_t Int(int column) const;
  bool IsNull(int column) const;
  double Real(int column) const;
  // The column's storage class: SQLITE_INTEGER, SQLITE_FLOAT, SQLITE_TEXT,
  // SQLITE_BLOB or SQLITE_NULL.
  int Type(int column) const;

 private:
  const Database& db_;
  sqlite3_stmt* stmt_ = nullptr;
};

// BEGIN IMMEDIATE on construction; rolls back on destruction unless Commit
// ran, so a failure half-way leaves nothing written. Inside a transaction
// that is open already it is a savepoint of it: Commit releases it, and
// only the outer transaction's end decides what is written.
class Transaction {
 public:
  // Takes over a write transaction its caller has already begun.
  enum Begun { kBegun };

  explicit Transaction(Database& db);
  Transaction(Database& db, Begun) : db_(db), nested_(false) {}
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void Commit();

 private:
  Database& db_;
  bool nested_;
  bool done_ = false;
};

}  // namespace store
