#pragma once

#include <libpq-fe.h>

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/store/pg/pg_connection.h"

namespace store::pg {

// A statement written with SQLite's parameters (?1, ?2, or ?), run as a
// prepared statement of the connection. Bind indexes are 1-based, column
// indexes 0-based; an unbound parameter is NULL. Text must be UTF-8 without
// NUL bytes: anything else is refused when it is bound.
class PgStatement final : public PreparedStatement {
 public:
  // Translates `sql`; prepares it on the server when it first runs.
  PgStatement(Connection& db, std::string_view sql);
  ~PgStatement() override;
  PgStatement(const PgStatement&) = delete;
  PgStatement& operator=(const PgStatement&) = delete;

  // Throws host::Error, naming the parameter, for text that is not UTF-8
  // or holds a NUL byte. The text is always copied.
  void Bind(int index, std::string_view text) override;
  void BindUnowned(int index, std::string_view text) override { Bind(index, text); }
  void Bind(int index, std::int64_t number) override;
  void Bind(int index, double number) override;
  void BindNull(int index) override;

  // Runs the statement the first time, then steps once.
  bool Step() override;
  bool TryRun() noexcept override;
  // Send the statement in the connection's pipeline and return at once;
  // ReadAhead's rows are read with the results of the statements sent
  // before it, when it or a later statement is stepped.
  void RunAhead() override;
  void ReadAhead() override;
  // Rows not read are dropped.
  void Reset() override;

  // Booleans read as 1 and 0; text that is not a number reads as 0. The
  // column value of a row that holds value_class too is of that class.
  std::string Text(int column) const override { return std::string(TextView(column)); }
  std::string_view TextView(int column) const override;
  std::int64_t Int(int column) const override;
  double Real(int column) const override;
  ColumnType Type(int column) const override;

 private:
  friend class Connection;

  // Makes sure the prepared statement for the parameters' types exists.
  void Acquire();
  // The parameters as libpq takes them.
  std::vector<const char*> Values() const;
  void Start();
  // Sends the statement in the pipeline, its rows to be kept as they come.
  void SendAhead();
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
  ColumnType ValueKind(int column) const;

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
  // Whether the rows come in the connection's pipeline, not read yet.
  bool awaiting_ = false;
  std::deque<PGresult*> kept_;
  bool failed_ = false;
  PGresult* failure_ = nullptr;
  // The result that holds the current row, and that row's number in it: a
  // row read alone is a result's only one, rows kept from the pipeline
  // come all in one.
  PGresult* row_ = nullptr;
  int row_at_ = 0;
};

}  // namespace store::pg
