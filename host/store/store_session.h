#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/error.h"
#include "host/item_windows.h"
#include "host/store/journal.h"
#include "host/store/sqlite_db.h"

namespace store {

// Error number of an entry or store identifier, a name or a position that
// the store does not hold (MAPI_E_NOT_FOUND).
inline constexpr long kNotFound = -2147221233;

// The one open store file behind every host object made for it: opened on
// first use, shared, and the only place that runs write transactions.
// Single-threaded, like the program.
class StoreSession {
 public:
  // `run` is the program run whose changes go through this session and its
  // journal (no id for a session that journals nothing, such as the tool's).
  explicit StoreSession(std::string path, RunRecord run = {});
  // A session on a store opened already.
  StoreSession(std::unique_ptr<Database> db, RunRecord run);
  ~StoreSession();
  StoreSession(const StoreSession&) = delete;
  StoreSession& operator=(const StoreSession&) = delete;

  // The store file's path, as given.
  const std::string& path() const { return path_; }
  // The run the changes belong to, and its journal.
  const std::string& run_id() const { return journal_.run().id; }
  Journal& journal() { return journal_; }
  // Records the run's end status in the journal, when the run changed
  // anything, and applies `retention`. Throws host::Error when it cannot.
  void EndRun(int status, const Retention& retention);

  // The open store, opened by the first call. Throws host::Error (with
  // OpenStore's description) when it cannot be opened; a later call retries.
  Database& Db();

  // The store's identifier and the mail-client version it keeps.
  const std::string& StoreId();
  std::string OutlookVersion();

  // Prepared statements of one text, ready to be leased again.
  using Pooled = std::vector<std::unique_ptr<Statement>>;

  // A prepared statement borrowed from a pool. When the lease ends the
  // statement is reset, so no statement stays open across host calls.
  //
  // Once GroupReads was called, reads are grouped: the first one opens a
  // read transaction that the following ones share, until the next write
  // (which takes it over and commits it), the next pause (EndReads) or
  // kReadSpan after it began, when the next read starts a new one. A read
  // transaction per read costs more locking than the read itself; with the
  // span bounded, every read still sees the store as it was moments before.
  class Lease {
   public:
    Lease(StoreSession& session, std::string_view sql);
    ~Lease();
    Lease(Lease&& other) noexcept;
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    Statement* operator->() const { return statement_.get(); }
    Statement& operator*() const { return *statement_; }

   private:
    // The pool's statements of this text; the map never moves it.
    Pooled* pooled_;
    std::unique_ptr<Statement> statement_;
  };
  Lease Prepare(std::string_view sql) { return Lease(*this, sql); }

  // Rows changed by the last INSERT, UPDATE or DELETE.
  int Changes();

  // Groups reads from now on. Only for a program that calls EndReads
  // whenever it waits (a question asked of its user), so that no snapshot
  // outlives a wait and holds back another process's checkpoint.
  void GroupReads() { group_reads_ = true; }
  // Ends the reads' shared transaction, so that the next read sees every
  // change committed since.
  void EndReads();
  // The number of the read transaction that the next read will share, so
  // that what was read under the same number is still what the store
  // holds; 0 when reads are not grouped or a write is under way, and
  // nothing read may be kept.
  std::uint64_t ReadGroup();

  // Runs `body` in one BEGIN IMMEDIATE transaction and commits it (inside a
  // transaction the caller holds open, a savepoint of it). When `body` or
  // the commit throws, everything is rolled back and the error is rethrown
  // as host::Error naming `what`; a host::StoreFailure as it is.
  template <class Body>
  void Write(std::string_view what, Body&& body);

  // Fault injection: after `writes` more committed write transactions, every
  // further one fails with host::Error (kStoreError) and is rolled back. A
  // negative count turns the fault off.
  void FailWritesAfter(int writes) { writes_before_failure_ = writes; }

  // Where the items of this store are displayed; null: nowhere, Display fails.
  // Not owned; it must outlive every Display.
  void SetItemWindows(host::ItemWindows* windows) { item_windows_ = windows; }
  host::ItemWindows* item_windows() const { return item_windows_; }

  // Throws host::Error(number, "<what> in the CRM store <file>").
  [[noreturn]] void Fail(long number, std::string_view what) const;

 private:
  static constexpr std::chrono::milliseconds kReadSpan{20};

  void BeginReads();
  // Makes the reads' transaction the write transaction of Write, when
  // nothing was committed since those reads began; otherwise ends it, so
  // that Write begins its own and waits for other writers as usual.
  bool ClaimReadsForWrite();
  void BeforeCommit();
  void AfterCommit();
  [[noreturn]] void FailWrite(std::string_view what, const host::Error& error) const;

  void AfterRollback() { journal_.Forget(); }

  std::string path_;
  Journal journal_;
  host::ItemWindows* item_windows_ = nullptr;
  std::unique_ptr<Database> db_;
  // Takes the write lock inside the reads' transaction (ClaimReadsForWrite).
  std::unique_ptr<Statement> claim_write_;
  std::string store_id_;
  bool group_reads_ = false;
  bool reading_ = false;
  // Counts the reads' transactions; the current one while reading_.
  std::uint64_t read_group_ = 0;
  std::chrono::steady_clock::time_point reads_began_;
  int writes_before_failure_ = -1;
  // Declared after db_ so that every pooled statement is finalized first.
  std::map<std::string, Pooled, std::less<>> pool_;
};

template <class Body>
void StoreSession::Write(std::string_view what, Body&& body) {
  try {
    std::optional<Transaction> transaction;
    if (ClaimReadsForWrite()) {
      transaction.emplace(Db(), Transaction::kBegun);
    } else {
      transaction.emplace(Db());
    }
    body();
    BeforeCommit();
    transaction->Commit();
  } catch (const host::StoreFailure&) {
    AfterRollback();
    throw;
  } catch (const host::Error& error) {
    AfterRollback();
    FailWrite(what, error);
  }
  AfterCommit();
}

}  // namespace store
