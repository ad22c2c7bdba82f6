#pragma once

#include <libpq-fe.h>

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/store/pg/pg_connection.h"
#include "host/store/stored_value.h"
#include "host/value.h"

namespace store::pg {

// A statement written with SQLite's parameters (?1, ?2, or ?), run as a
// prepared statement of the connection. Bind indexes are 1-based, column
// indexes 0-based; an unbound parameter is NULL. Text must be UTF-8 without
// NUL bytes: anything else is refused when it is bound.
class Statement {
 public:
  // Translates `sql`; prepares it on the server when it first runs.
  Statement(Connection& db, std::string_view sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // Throws host::Error, naming the parameter, for text that is not UTF-8
  // or holds a NUL byte.
  Statement& Bind(int index, std::string_view text);
  Statement& Bind(int index, std::int64_t number);
  Statement& Bind(int index, double number);
  Statement& BindNull(int index);
  // Binds a property value in its stored form (StoredForm).
  Statement& BindValue(int index, const host::Value& value);

  // Runs the statement the first time, then steps once: true while a row is
  // there, false when done. Throws as Connection::Fail does.
  bool Step();
  // Steps to the end; for statements that yield no rows.
  void Run();
  // Runs a statement that yields no rows and resets it, yielding whether it
  // worked instead of throwing: for failures the caller expects. The
  // connection keeps the failure for Fail.
  bool TryRun() noexcept;
  // Ready to run again, with no parameters bound; rows not read are
  // dropped.
  void Reset();

  // The current row's columns. Booleans read as 1 and 0; text that is not a
  // number reads as 0.
  std::string Text(int column) const;
  std::int64_t Int(int column) const;
  bool IsNull(int column) const;
  double Real(int column) const;
  ColumnType Type(int column) const;

 private:
  friend class Connection;

  void Start();
  // The next row of the running statement; null at its end, or at a
  // failure, which failed_ and failure_ then hold.
  PGresult* Receive() noexcept;
  // Reads the rest of the rows into memory (the connection is needed for
  // another statement), or drops them.
  void KeepRest();
  void DropRest() noexcept;
  // Ready to run again with the same parameters.
  void Rewind() noexcept;
  void SetParameter(int index, std::optional<std::string> value, Oid type);

  Connection& db_;
  std::string sql_;         // as written, for messages
  std::string translated_;  // as the server reads it
  std::vector<std::optional<std::string>> values_;
  std::vector<Oid> types_;
  std::string key_;  // of the prepared statement acquired, "" for none
  std::string name_;
  bool started_ = false;
  bool receiving_ = false;
  bool done_ = false;
  std::deque<PGresult*> kept_;
  bool failed_ = false;
  PGresult* failure_ = nullptr;
  PGresult* row_ = nullptr;
};

}  // namespace store::pg
