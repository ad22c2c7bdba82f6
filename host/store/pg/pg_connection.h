#pragma once

#include <libpq-fe.h>

#include <array>
#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/store/database.h"
#include "host/store/pg/pg_failure.h"

namespace store::pg {

class PgStatement;

// One connection to the CRM store on a PostgreSQL server, reached by a libpq
// URI (postgresql://...) or key=value string, with the store's schema first
// on its search path, UTF-8 text and a lock timeout (the busy timeout) so
// that two programs on one store wait for each other. Statements are
// prepared once per connection and run through the extended protocol with
// text values; rows are read one at a time, so a long result takes constant
// memory. Statements run ahead go out in libpq's pipeline mode, their
// results read a batch at a time, so a load of many rows costs a round trip
// per batch rather than per row; a savepoint, a statement's first
// preparation, and a read sent while statements are ahead, join the
// pipeline too, the read's rows read with their results in that one round
// trip and kept as one result (a result per row took a couple of kilobytes
// each). Unlike SQLite, a failing statement inside
// a transaction spoils it until it, or the savepoint around the statement,
// is rolled back.
class Connection final : public Database {
 public:
  // Connects. Throws host::Error ("cannot open the CRM store LOCATION: WHY",
  // the password masked) when the server cannot be reached or refuses, or,
  // for kCreateNew, when the database holds a store already. kReadOnly makes
  // every transaction read-only: a write fails as a read-only store.
  Connection(const std::string& location, Mode mode);
  ~Connection() override;

  // The location, its password masked: what every message shows.
  const std::string& location() const override { return shown_location_; }
  const Dialect& dialect() const override;
  std::unique_ptr<PreparedStatement> Prepare(const char* sql) const override;
  void WaitForAhead() override { Free(); }
  bool InTransaction() const override;

  // How long a statement waits for another connection's lock before it
  // fails (lock_timeout); 30 s unless a test shortens it. Inside a
  // transaction that is rolled back the previous timeout comes back.
  void SetBusyTimeout(std::chrono::milliseconds timeout) override;

  // Runs statements that take no parameters and yield no rows (several may
  // be given, separated by semicolons).
  void Exec(const char* sql) override;

  // kBegin reads from one snapshot (repeatable read); kBeginImmediate is a
  // transaction that writes (read committed, each statement seeing what
  // others committed). A commit of a transaction that a failure spoilt
  // throws, though the server only rolls it back.
  void Run(Control control) override;
  bool TryRun(Control control) noexcept override;

  // How many rows the latest INSERT, UPDATE or DELETE that ran to its end
  // on this connection changed.
  int Changes() const override { return changes_; }

  // "not a CRM store (...)" when the store's tables are missing, else the
  // server's message.
  std::string WhyNotOpened() const override;
  // Throws for the connection's last failure (one that TryRun met, say) as
  // ThrowFailure says; `context` names the statement.
  [[noreturn]] void Fail(std::string_view context) const override;
  // Keeps the failure in `result` (or, when it is null, libpq's own) as the
  // last, and throws for it.
  [[noreturn]] void Fail(const PGresult* result, std::string_view context) const;

 private:
  friend class PgStatement;

  // Before anything else is sent: the statement still reading its rows
  // keeps the rest of them, and the results of statements run ahead are
  // read, so that the connection is free. Throws as Fail does for the first
  // statement run ahead that failed.
  void Free();
  // Sends a prepared statement whose result is read later, by Drain: once
  // kMaxAhead statements are waiting, or before anything else is sent. The
  // rows of a statement with a `reader` go to it.
  void SendAhead(const std::string& name, const std::vector<const char*>& values, const std::string& sql,
                 PgStatement* reader = nullptr);
  // Sends a control statement the same way.
  void SendAhead(Control control);
  // Enters pipeline mode for the first statement sent ahead; after each,
  // fails when it could not be sent.
  void EnterPipeline(const std::string& sql);
  void Sent(int sent, const std::string& sql);
  // Reads the results of the statements run ahead and leaves pipeline mode.
  void Drain();
  // Reads results up to the pipeline's end; yields whether it was reached,
  // keeping the first failure in `failure` and the failed statement's index.
  bool ReadPipeline(PGresult*& failure, std::size_t& failed);
  // Prepares the statements in lost_, where no failure spoils the
  // transaction.
  void PrepareLost() noexcept;
  struct Preparation;
  // Prepares the statement outside a pipeline and yields libpq's result.
  PGresult* PrepareAtOnce(const Preparation& statement);
  // A statement sent ahead with `reader` no longer wants its rows.
  void Forget(const PgStatement* reader) noexcept;
  // The name of the prepared statement for `key` (the parameter types and
  // the statement), preparing it the first time; each call is matched by a
  // Release. Throws as Fail does.
  const std::string& Acquire(const std::string& key, const std::string& sql, const std::vector<Oid>& types);
  // A statement no longer uses the prepared statement for `key`; beyond
  // kMaxPrepared unused ones, the server forgets it.
  void Release(const std::string& key) noexcept;
  // The failure in `result`, or libpq's own when it is null or tells none.
  ServerFailure FailureOf(const PGresult* result) const;
  // Runs a command and yields its result, or null when the connection failed.
  PGresult* Command(const char* sql);
  // A statement ended with `result`: the rows it changed are the latest
  // Changes when it inserted, updated or deleted.
  void NoteChanges(PGresult* result);

  std::string shown_location_;
  PGconn* conn_ = nullptr;
  std::chrono::milliseconds busy_timeout_{30000};
  mutable ServerFailure last_failure_;
  int changes_ = 0;
  // Whether the savepoint's release is still to be sent (Run).
  bool release_pending_ = false;
  PgStatement* reading_ = nullptr;
  // Statements run ahead whose results are not read yet, for messages. A
  // result takes the server a few dozen bytes to send: a batch of them fits
  // in the socket's buffers while the statements are still being sent.
  static constexpr std::size_t kMaxAhead = 1024;
  // A statement prepared in the pipeline, as Acquire prepares it.
  struct Preparation {
    std::string key;
    std::string name;
    std::string sql;
    std::vector<Oid> types;
  };
  struct Ahead {
    std::string sql;
    PgStatement* reader = nullptr;
    std::optional<Preparation> preparation;
  };
  std::vector<Ahead> ahead_;
  // Statements prepared in a pipeline behind a failure, which the server
  // skipped: prepared again once the connection is out of the failed
  // transaction (PrepareLost).
  std::vector<Preparation> lost_;
  // Whether a transaction was open when the statement now reading began.
  bool in_transaction_before_reading_ = false;
  struct Prepared {
    std::string name;
    int users = 0;
  };
  static constexpr std::size_t kMaxPrepared = 256;
  std::map<std::string, Prepared, std::less<>> prepared_;
  int next_statement_ = 0;
};

}  // namespace store::pg
