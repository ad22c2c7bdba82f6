#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "host/error.h"
#include "host/value.h"

namespace store {

// Error number of a failure inside the store (MAPI_E_CALL_FAILED).
inline constexpr long kStoreError = -2147467259;

struct Dialect;

// What a column of a result row holds, whichever engine read it.
enum class ColumnType { kNull, kInteger, kReal, kText, kBlob };

// One engine's prepared statement, behind Statement. Bind indexes are
// 1-based, column indexes 0-based. Failures throw as Database::Fail does.
class PreparedStatement {
 public:
  virtual ~PreparedStatement() = default;

  virtual void Bind(int index, std::string_view text) = 0;
  // Binds the text without copying it where the engine can: it must stay as
  // it is until the statement has run.
  virtual void BindUnowned(int index, std::string_view text) = 0;
  virtual void Bind(int index, std::int64_t number) = 0;
  virtual void Bind(int index, double number) = 0;
  virtual void BindNull(int index) = 0;
  // Steps once: true while a row is there, false when done.
  virtual bool Step() = 0;
  // Runs a statement that yields no rows and resets it, yielding whether it
  // worked instead of throwing; the connection keeps the failure for Fail.
  virtual bool TryRun() noexcept = 0;
  // Ready to run again, with no parameters bound.
  virtual void Reset() = 0;
  // Runs an INSERT ... RETURNING id to its end and yields the id of the row
  // it added. Throws host::Error when it added none.
  virtual std::int64_t Insert();
  // Runs a statement that yields no rows and whose changes are not counted.
  // An engine that can sends it without waiting for its end: a failure of
  // it is thrown by a later statement or control of the connection, at the
  // latest by the commit.
  virtual void RunAhead() {
    while (Step()) {
    }
  }
  // Starts a statement whose rows are read later, by Step. An engine that
  // can sends it without waiting, so that its rows come with the next
  // statement's that is waited for; others run it when it is stepped.
  virtual void ReadAhead() {}

  // The current row's columns; a null reads as "" or 0. TextView is valid
  // until the statement steps, resets or reads the column as another type.
  virtual std::string Text(int column) const = 0;
  virtual std::string_view TextView(int column) const = 0;
  virtual std::int64_t Int(int column) const = 0;
  virtual double Real(int column) const = 0;
  virtual ColumnType Type(int column) const = 0;
};

// An open connection to the CRM store on one engine (a SQLite file, or a
// PostgreSQL server): foreign keys on, and a busy timeout so that two
// programs on one store wait for each other. A wait for the store that
// outlasts the timeout fails as a failure of the whole store. Statements are
// written as Dialect says; their parameters are ?N (or ?, numbered left to
// right). Single-threaded.
class Database {
 public:
  enum class Mode {
    kOpenExisting,  // read and write an existing store
    kCreateNew,     // a new private store (a file: mode 0600); fails if anything is there
    kReadOnly,      // read only, changing nothing in the store or beside it
  };

  // The statements that begin and end transactions. kBegin reads from one
  // snapshot; kBeginImmediate takes the store for writing at once. The
  // savepoint is one name, nested once.
  enum class Control { kBegin, kBeginImmediate, kCommit, kRollback, kSavepoint, kRollbackToSavepoint, kRelease };

  virtual ~Database() = default;
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Where the store is, as messages show it: a file path, or a server's
  // location with its password masked.
  virtual const std::string& location() const = 0;
  // The SQL that differs by engine.
  virtual const Dialect& dialect() const = 0;

  // Prepares one statement. Throws as Fail does.
  virtual std::unique_ptr<PreparedStatement> Prepare(const char* sql) const = 0;
  // Runs statements that take no parameters and yield no rows.
  virtual void Exec(const char* sql) = 0;
  // Runs one control statement; throws as Fail does.
  virtual void Run(Control control) = 0;
  // Runs one and yields whether it worked; for ending a transaction on a
  // path that is already failing.
  virtual bool TryRun(Control control) noexcept = 0;
  // Waits for the statements run ahead (PreparedStatement::RunAhead);
  // throws as Fail does for the first of them that failed.
  virtual void WaitForAhead() {}
  // Whether a transaction is open on this connection.
  virtual bool InTransaction() const = 0;
  // How long a statement waits for another connection's lock before it
  // fails; 30 s unless a test shortens it.
  virtual void SetBusyTimeout(std::chrono::milliseconds timeout) = 0;
  // How many rows the latest INSERT, UPDATE or DELETE that ran to its end
  // on this connection changed.
  virtual int Changes() const = 0;

  // Why the store could not be read for the first time, from the last
  // failure, in a user's words ("no such file", "not a CRM store (...)").
  virtual std::string WhyNotOpened() const = 0;
  // Throws for the engine's last failure: host::StoreFailure when it makes
  // the whole store unusable (damaged, full, read-only, or locked by another
  // program past the busy timeout), else host::Error with the location, the
  // engine's message and `context`.
  [[noreturn]] virtual void Fail(std::string_view context) const = 0;

 protected:
  Database() = default;
};

// The error of a store that cannot be opened, with the reason in words:
// host::Error(kStoreError, "cannot open the CRM store LOCATION: WHY").
host::Error OpenFailure(const std::string& location, std::string_view why);

// Opens or creates the store at `location` on the engine it names: a
// PostgreSQL location (postgresql://..., postgres://..., service=NAME) or
// else a file path. Throws host::Error ("cannot open the CRM store
// LOCATION: WHY") when it cannot.
std::unique_ptr<Database> OpenDatabase(const std::string& location, Database::Mode mode);

// A prepared statement of a Database. Bind indexes are 1-based, column
// indexes 0-based. Failures throw as Database::Fail does.
class Statement {
 public:
  Statement(const Database& db, const char* sql) : statement_(db.Prepare(sql)) {}
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int index, std::string_view text) {
    statement_->Bind(index, text);
    return *this;
  }
  // Binds the text without copying it: it must stay as it is until the
  // statement has run. For large texts run at once.
  Statement& BindUnowned(int index, std::string_view text) {
    statement_->BindUnowned(index, text);
    return *this;
  }
  Statement& Bind(int index, std::int64_t number) {
    statement_->Bind(index, number);
    return *this;
  }
  Statement& Bind(int index, double number) {
    statement_->Bind(index, number);
    return *this;
  }
  Statement& BindNull(int index) {
    statement_->BindNull(index);
    return *this;
  }
  // Binds a property value in its stored form: text and times as text,
  // numbers and Booleans (0 or 1) as integers, empty and null as "".
  Statement& BindValue(int index, const host::Value& value);

  // Steps once: true while a row is there, false when done.
  bool Step() { return statement_->Step(); }
  // Steps to the end; for statements that yield no rows.
  void Run() {
    while (Step()) {
    }
  }
  // Runs an INSERT ... RETURNING id to its end and yields the id of the row
  // it added. Throws host::Error when it added none.
  std::int64_t Insert() { return statement_->Insert(); }
  // Runs a statement that yields no rows, where the engine can without
  // waiting for it; a failure surfaces at a later statement, at the latest
  // at the commit. For the many rows of a load, whose places the caller has
  // checked before.
  void RunAhead() { statement_->RunAhead(); }
  // Starts a statement whose rows Step reads later, where the engine can
  // without waiting for them: a read that must follow another (a hold) is
  // sent before it, and both come back in one round trip.
  void ReadAhead() { statement_->ReadAhead(); }
  // Runs a statement that yields no rows and resets it, yielding whether it
  // worked instead of throwing: for failures the caller expects.
  bool TryRun() noexcept { return statement_->TryRun(); }
  void Reset() { statement_->Reset(); }

  std::string Text(int column) const { return statement_->Text(column); }
  // The column's text without a copy, valid until the statement steps,
  // resets or reads the column as another type.
  std::string_view TextView(int column) const { return statement_->TextView(column); }
  std::int64_t Int(int column) const { return statement_->Int(column); }
  bool IsNull(int column) const { return Type(column) == ColumnType::kNull; }
  double Real(int column) const { return statement_->Real(column); }
  ColumnType Type(int column) const { return statement_->Type(column); }

 private:
  std::unique_ptr<PreparedStatement> statement_;
};

// Takes the store for writing on construction; rolls back on destruction
// unless Commit ran, so a failure half-way leaves nothing written. Inside a
// transaction that is open already it is a savepoint of it: Commit releases
// it, and only the outer transaction's end decides what is written.
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

// Reads from one snapshot of the store while it lasts, so that a reader's
// many statements agree whatever other programs write meanwhile; inside a
// transaction open already, that one's.
class Snapshot {
 public:
  explicit Snapshot(Database& db) : db_(db), own_(!db.InTransaction()) {
    if (own_) db_.Run(Database::Control::kBegin);
  }
  ~Snapshot() {
    if (own_) db_.TryRun(Database::Control::kRollback);
  }
  Snapshot(const Snapshot&) = delete;
  Snapshot& operator=(const Snapshot&) = delete;

 private:
  Database& db_;
  bool own_;
};

}  // namespace store
