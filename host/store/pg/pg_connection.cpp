#include "host/store/pg/pg_connection.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <utility>

#include "host/error.h"
#include "host/store/dialect.h"
#include "host/store/pg/pg_schema.h"
#include "host/store/pg/pg_statement.h"
#include "host/store/store_failure.h"
#include "host/store/store_location.h"

namespace store::pg {
namespace {

using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

// The schema that holds the store's tables.
constexpr char kSchema[] = "quorvia";

constexpr std::array<const char*, 7> kControlTexts = {
    "BEGIN ISOLATION LEVEL REPEATABLE READ", "BEGIN ISOLATION LEVEL READ COMMITTED", "COMMIT", "ROLLBACK",
    "SAVEPOINT nested", "ROLLBACK TO SAVEPOINT nested", "RELEASE SAVEPOINT nested"};

// libpq's message (which may span lines) as one line.
std::string OneLine(const char* message) {
  std::string line;
  for (const char* at = message; *at != '\0'; ++at) {
    if (*at == '\n' || *at == '\t') {
      if (!line.empty() && line.back() != ' ') line += ' ';
    } else {
      line += *at;
    }
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

bool Succeeded(const PGresult* result) {
  const ExecStatusType status = PQresultStatus(result);
  return result != nullptr && (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK);
}

}  // namespace

Connection::Connection(const std::string& location, Mode mode) : shown_location_(MaskPassword(location)) {
  std::string options = std::string("-c search_path=") + kSchema +
                        " -c lock_timeout=" + std::to_string(busy_timeout_.count());
  if (mode == Mode::kReadOnly) options += " -c default_transaction_read_only=on";
  // The location's own settings come after the defaults (a connect timeout
  // and the name shown among the server's sessions), and ours after them.
  const char* const keywords[] = {"connect_timeout", "fallback_application_name", "dbname", "client_encoding",
                                  "options", nullptr};
  const char* const values[] = {"10", "quorvia", location.c_str(), "UTF8", options.c_str(), nullptr};
  conn_ = PQconnectdbParams(keywords, values, 1);
  if (conn_ == nullptr) throw OpenFailure(shown_location_, "out of memory");
  if (PQstatus(conn_) != CONNECTION_OK) {
    const std::string why = OneLine(PQerrorMessage(conn_));
    PQfinish(conn_);
    throw OpenFailure(shown_location_, why);
  }
  if (mode == Mode::kCreateNew && HoldsStore(*this)) {
    PQfinish(conn_);
    throw OpenFailure(shown_location_, "the database holds a CRM store already; it is not overwritten");
  }
}

Connection::~Connection() { PQfinish(conn_); }

const Dialect& Connection::dialect() const { return kPostgresDialect; }

// Running a statement changes what the connection is doing (the statement
// reading its rows, the statements prepared on the server), not the store
// this object stands for: preparing one is const to the store's users.
std::unique_ptr<PreparedStatement> Connection::Prepare(const char* sql) const {
  return std::make_unique<PgStatement>(const_cast<Connection&>(*this), sql);
}

std::string Connection::WhyNotOpened() const {
  constexpr std::string_view kUndefinedTable = "42P01";
  if (last_failure_.sqlstate == kUndefinedTable) return "not a CRM store (the database has no schema quorvia)";
  return last_failure_.message;
}

bool Connection::InTransaction() const {
  switch (PQtransactionStatus(conn_)) {
    case PQTRANS_INTRANS: case PQTRANS_INERROR: return true;
    case PQTRANS_ACTIVE: return in_transaction_before_reading_;
    default: return false;
  }
}

void Connection::SetBusyTimeout(std::chrono::milliseconds timeout) {
  Exec(("SET lock_timeout = " + std::to_string(timeout.count())).c_str());
  busy_timeout_ = timeout;
}

PGresult* Connection::Command(const char* sql) {
  Free();
  return PQexec(conn_, sql);
}

void Connection::Exec(const char* sql) {
  const Result result(Command(sql), &PQclear);
  if (!Succeeded(result.get())) Fail(result.get(), sql);
  NoteChanges(result.get());
}

// A savepoint's release waits to go with the next control statement, as a
// run's transaction releases and takes one per item. Until then the
// statements run inside the savepoint, which is the same, since nothing
// rolls back to it; the transaction's end ends it anyway.
void Connection::Run(Control control) {
  // A rollback undoes the statements run ahead whatever became of them.
  if (control == Control::kRollback || control == Control::kRollbackToSavepoint) {
    try {
      Drain();
    } catch (const host::Error&) {
    }
  }
  // The results of a savepoint's statements run ahead are read first: a
  // failure among them is its own, and the release can then wait to go
  // with the next savepoint.
  if (control == Control::kRelease) Drain();
  if (control == Control::kRelease && !release_pending_ && PQtransactionStatus(conn_) == PQTRANS_INTRANS) {
    release_pending_ = true;
    return;
  }
  // A savepoint goes ahead of the statements it is taken for: the first of
  // them that waits brings its result too. A failure of it fails that one.
  if (control == Control::kSavepoint && InTransaction() && PQtransactionStatus(conn_) != PQTRANS_INERROR) {
    if (std::exchange(release_pending_, false)) SendAhead(Control::kRelease);
    SendAhead(control);
    return;
  }
  std::string sql;
  const bool savepoint = control == Control::kSavepoint || control == Control::kRollbackToSavepoint ||
                         control == Control::kRelease;
  if (std::exchange(release_pending_, false) && savepoint) {
    sql = kControlTexts[static_cast<std::size_t>(Control::kRelease)];
    sql += "; ";
  }
  sql += kControlTexts[static_cast<std::size_t>(control)];
  const Result result(Command(sql.c_str()), &PQclear);
  PrepareLost();
  if (!Succeeded(result.get())) {
    if (control == Control::kCommit && PQstatus(conn_) == CONNECTION_BAD) {
      ThrowCommitInDoubt(shown_location_, FailureOf(result.get()));
    }
    Fail(result.get(), sql);
  }
  // The server ends a transaction that a failure spoilt with a rollback,
  // whatever it was asked.
  if (control == Control::kCommit && std::string_view(PQcmdStatus(result.get())) == "ROLLBACK") {
    ThrowFailure(shown_location_, {"25P02", "the transaction was rolled back after a failure inside it", false},
                 busy_timeout_, sql);
  }
}

bool Connection::TryRun(Control control) noexcept {
  try {
    Run(control);
    return true;
  } catch (...) {
    return false;
  }
}

void Connection::Fail(std::string_view context) const {
  ThrowFailure(shown_location_, last_failure_, busy_timeout_, context);
}

ServerFailure Connection::FailureOf(const PGresult* result) const {
  // Once the connection is lost, that loss is the reason for every later
  // failure: libpq tells instead what it refuses on a dead connection.
  if (last_failure_.connection_lost) return last_failure_;
  ServerFailure failure;
  if (result != nullptr) {
    const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
    const char* message = PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY);
    failure.sqlstate = state != nullptr ? state : "";
    failure.message = message != nullptr ? OneLine(message) : "";
  }
  if (failure.message.empty()) failure.message = OneLine(PQerrorMessage(conn_));
  failure.connection_lost = PQstatus(conn_) == CONNECTION_BAD;
  return failure;
}

void Connection::Fail(const PGresult* result, std::string_view context) const {
  last_failure_ = FailureOf(result);
  Fail(context);
}

void Connection::NoteChanges(PGresult* result) {
  const std::string_view command = PQcmdStatus(result);
  if (command.starts_with("INSERT") || command.starts_with("UPDATE") || command.starts_with("DELETE")) {
    changes_ = std::atoi(PQcmdTuples(result));
  }
}

void Connection::Free() {
  if (reading_ != nullptr) reading_->KeepRest();
  Drain();
}

void Connection::EnterPipeline(const std::string& sql) {
  if (!ahead_.empty()) return;
  if (reading_ != nullptr) reading_->KeepRest();
  in_transaction_before_reading_ = InTransaction();
  if (PQenterPipelineMode(conn_) == 0) Fail(nullptr, sql);
}

void Connection::Sent(int sent, const std::string& sql) {
  if (sent == 0) {
    Drain();
    Fail(nullptr, sql);
  }
  if (ahead_.size() >= kMaxAhead) Drain();
}

void Connection::SendAhead(const std::string& name, const std::vector<const char*>& values, const std::string& sql,
                           PgStatement* reader) {
  EnterPipeline(sql);
  ahead_.push_back({sql, reader, {}});
  Sent(PQsendQueryPrepared(conn_, name.c_str(), static_cast<int>(values.size()), values.data(), nullptr, nullptr, 0),
       sql);
}

void Connection::SendAhead(Control control) {
  const std::string sql = kControlTexts[static_cast<std::size_t>(control)];
  EnterPipeline(sql);
  ahead_.push_back({sql, nullptr, {}});
  Sent(PQsendQueryParams(conn_, sql.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0), sql);
}

bool Connection::ReadPipeline(PGresult*& failure, std::size_t& failed) {
  // Each statement's results end with a null one; a lost connection yields
  // nulls only. A reader keeps its rows: they come in one result, or one
  // result each where libpq kept the single-row mode of a read before the
  // pipeline for its first statement.
  for (std::size_t at = 0; at <= ahead_.size();) {
    PGresult* result = PQgetResult(conn_);
    if (result == nullptr) {
      if (PQstatus(conn_) == CONNECTION_BAD) return false;
      ++at;
      continue;
    }
    const ExecStatusType status = PQresultStatus(result);
    if (status == PGRES_PIPELINE_SYNC) {
      PQclear(result);
      return true;
    }
    const bool rows = status == PGRES_SINGLE_TUPLE || (status == PGRES_TUPLES_OK && PQntuples(result) > 0);
    if (rows && at < ahead_.size() && ahead_[at].reader != nullptr) {
      NoteChanges(result);
      ahead_[at].reader->kept_.push_back(result);
      continue;
    }
    if (Succeeded(result)) NoteChanges(result);
    if (Succeeded(result) || failure != nullptr || status == PGRES_PIPELINE_ABORTED) {
      PQclear(result);
    } else {
      failure = result;
      failed = std::min(at, ahead_.size() - 1);
    }
  }
  return false;
}

void Connection::Drain() {
  if (ahead_.empty()) return;
  PGresult* failure = nullptr;
  std::size_t failed = 0;
  const bool ended = PQpipelineSync(conn_) != 0 && ReadPipeline(failure, failed);
  const Result kept(failure, &PQclear);
  const std::string sql = std::move(ahead_[failed].sql);
  for (std::size_t at = 0; at < ahead_.size(); ++at) {
    Ahead& statement = ahead_[at];
    if (statement.reader != nullptr) statement.reader->awaiting_ = false;
    if (statement.preparation && failure != nullptr && at >= failed) lost_.push_back(std::move(*statement.preparation));
  }
  ahead_.clear();
  // Told before leaving the pipeline: on a lost connection libpq adds its
  // refusal to leave to the reason.
  const bool spoilt = !ended || failure != nullptr;
  if (spoilt) last_failure_ = FailureOf(failure);
  const bool left = PQexitPipelineMode(conn_) != 0;
  if (left) PrepareLost();
  if (spoilt) Fail(sql);
  if (!left) Fail(nullptr, sql);
}

void Connection::PrepareLost() noexcept {
  const PGTransactionStatusType status = PQtransactionStatus(conn_);
  if (status != PQTRANS_IDLE && status != PQTRANS_INTRANS) return;
  for (const Preparation& statement : lost_) {
    const Result result(PrepareAtOnce(statement), &PQclear);
    // Forgotten where the server refuses it: a statement made for it later
    // prepares it anew and fails for it.
    if (!Succeeded(result.get())) prepared_.erase(statement.key);
  }
  lost_.clear();
}

PGresult* Connection::PrepareAtOnce(const Preparation& statement) {
  return PQprepare(conn_, statement.name.c_str(), statement.sql.c_str(), static_cast<int>(statement.types.size()),
                   statement.types.data());
}

void Connection::Forget(const PgStatement* reader) noexcept {
  for (Ahead& statement : ahead_) {
    if (statement.reader == reader) statement.reader = nullptr;
  }
}

const std::string& Connection::Acquire(const std::string& key, const std::string& sql,
                                       const std::vector<Oid>& types) {
  auto found = prepared_.find(key);
  if (found == prepared_.end()) {
    // Appended, not "q" + ...: GCC 12 at -O3 takes that for an overlapping copy.
    std::string name("q");
    name += std::to_string(++next_statement_);
    Preparation preparation{key, name, sql, types};
    if (ahead_.empty()) {
      Free();
      const Result result(PrepareAtOnce(preparation), &PQclear);
      if (!Succeeded(result.get())) Fail(result.get(), sql);
    } else {
      // Behind statements run ahead it is prepared in the pipeline too:
      // waiting for them would leave the server idle until the next is sent.
      ahead_.push_back({sql, nullptr, std::move(preparation)});
      Sent(PQsendPrepare(conn_, name.c_str(), sql.c_str(), static_cast<int>(types.size()), types.data()), sql);
    }
    found = prepared_.emplace(key, Prepared{std::move(name), 0}).first;
  }
  ++found->second.users;
  return found->second.name;
}

void Connection::Release(const std::string& key) noexcept {
  const auto found = prepared_.find(key);
  if (found == prepared_.end() || --found->second.users > 0 || prepared_.size() <= kMaxPrepared) return;
  // Nothing can be sent while rows are read or a failure spoils the
  // transaction; the statement is let go another time.
  if (reading_ != nullptr || !ahead_.empty() || PQtransactionStatus(conn_) == PQTRANS_INERROR) return;
  const Result result(PQexec(conn_, ("DEALLOCATE " + found->second.name).c_str()), &PQclear);
  if (Succeeded(result.get())) prepared_.erase(found);
}

}  // namespace store::pg
