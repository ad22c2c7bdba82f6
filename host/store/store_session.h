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
#include "host/store/database.h"

namespace store {

using host::kNotFound;

class HeldBackWrites;
class SentWrites;
struct ItemRow;
// The writes of an item that a run may hold back (StoreSession::HoldBack).
enum class HeldWriteKind { kSave, kDeletion };

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
  // (which takes it over and commits it) or the next pause (EndReads). A
  // read transaction per read costs more locking than the read itself.
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
  // The number of the snapshot that the next read will see, so that what
  // was read under the same number is still what the store holds; 0 when
  // nothing read may be kept (reads are not grouped, or a write is under
  // way).
  std::uint64_t ReadGroup();
  // Whether what was read of the item (row `item`) in read group `group` is
  // still what the store holds: the group is the next read's, or, within
  // the run's transaction, only other items were written since.
  bool ItemAsRead(std::int64_t item, std::uint64_t group);
  // Whether which items of the folder (row `folder`) match what they
  // matched in read group `group` may be taken as read, as ItemAsRead says
  // for an item: no item of that folder was written since.
  bool FolderAsRead(std::int64_t folder, std::uint64_t group);
  // Whether the folders read in read group `group` are still the store's:
  // within the run's transaction they are, as the program adds, moves and
  // removes no folder.
  bool FoldersAsRead(std::uint64_t group);

  // Takes the store for writing for the rest of the run: one BEGIN
  // IMMEDIATE transaction (a savepoint inside a transaction the caller
  // holds), in which every later read sees the store as this run leaves it
  // and every Write is a savepoint. Where the engine lets writers run side
  // by side, the transaction first takes each of `accounts` (keys), in
  // sorted order, so that runs sharing an account wait for each other. A
  // second call rolls back what the run did since the first and starts
  // over. Throws host::StoreFailure when another program keeps the store
  // locked past the busy timeout.
  //
  // With ItemWrites::kHeldBack the saves and deletions of items that are in
  // the store are held back and made together (HoldBack), for a run that
  // starts its transaction over when a StoreConflict says so: then a
  // failure of any of them surfaces as one, and the next call makes each at
  // once.
  enum class ItemWrites { kAtOnce, kHeldBack };
  void TakeForWriting(const std::vector<std::string>& accounts = {}, ItemWrites writes = ItemWrites::kAtOnce);
  // Where this run holds writes back: marks the item as written, as a
  // Write would, having sent the writes held back (SendHeldBack) when this
  // one must wait for them, and yields where it goes; null where each is
  // made at once (also while a fault is injected).
  HeldBackWrites* HoldBack(const ItemRow& item, HeldWriteKind kind);
  // Makes the writes held back and waits for those sent. The next
  // statement of this session and the commit make them anyway. Throws
  // host::StoreConflict when they cannot be made together (an item is gone,
  // a write fails): the run must start over, making each at once to fail
  // where it fails.
  void WriteHeldBack();
  // Takes `accounts` as TakeForWriting does, inside the run's transaction,
  // for a run that learns its accounts from what it reads; call it once,
  // before the reads that depend on them.
  void LockAccounts(std::vector<std::string> accounts);
  // Commits what the run wrote since TakeForWriting; nothing when the run
  // did not take the store. Throws host::StoreFailure when the commit
  // fails, or when writes held back failed and the run did not start over:
  // then nothing of the run was written; host::StoreCommitInDoubt when the
  // connection went before the server told whether it committed.
  void CommitRun();
  // Rolls back everything written since TakeForWriting.
  void RollBackRun();
  // Whether a write of this session has reached the store: committed
  // on its own, or with the run.
  bool Committed() const { return committed_; }

  // Runs `body` in one BEGIN IMMEDIATE transaction and commits it (inside a
  // transaction open already, a savepoint of it). When `body` or the commit
  // throws, everything is rolled back and the error is rethrown as
  // host::Error naming `what`; a host::StoreFailure as it is.
  template <class Body>
  void Write(std::string_view what, Body&& body) {
    WriteChanging(nullptr, what, std::forward<Body>(body));
  }
  // The item one Write changes: its row (0 for one it adds) and its folder.
  struct ChangedItem {
    std::int64_t item = 0;
    std::int64_t folder = 0;
  };
  // A Write that changes nothing but that item and the journal: what was
  // read of other items, and of other folders' items, stays as it was.
  template <class Body>
  void WriteItem(ChangedItem item, std::string_view what, Body&& body) {
    WriteChanging(&item, what, std::forward<Body>(body));
  }

  // Fault injection: after `writes` more committed write transactions, every
  // further one fails with host::Error (kStoreError), or as a failure of the
  // whole store when `store_wide`, and is rolled back. A negative count turns
  // the fault off.
  void FailWritesAfter(int writes, bool store_wide = false) {
    writes_before_failure_ = writes;
    fail_store_wide_ = store_wide;
  }
  // How long a write waits for another program's lock (30 s); for tests.
  void SetBusyTimeout(std::chrono::milliseconds timeout) { Db().SetBusyTimeout(timeout); }

  // Where the items of this store are displayed; null: nowhere, Display fails.
  // Not owned; it must outlive every Display.
  void SetItemWindows(host::ItemWindows* windows) { item_windows_ = windows; }
  host::ItemWindows* item_windows() const { return item_windows_; }

  // Throws host::Error(number, "<what> in the CRM store <file>").
  [[noreturn]] void Fail(long number, std::string_view what) const;

 private:
  // Marks the time a Write's body runs: nothing read then may be kept, and
  // what was read before no longer holds once it is over.
  class Writing {
   public:
    Writing(StoreSession& session, const ChangedItem* item)
        : session_(session), one_item_(item != nullptr), item_(item != nullptr ? *item : ChangedItem{}) {
      ++session_.writing_;
    }
    ~Writing() {
      --session_.writing_;
      if (one_item_) {
        session_.ItemWritten(item_.item, item_.folder);
      } else {
        session_.StoreChanged();
      }
    }
    Writing(const Writing&) = delete;
    Writing& operator=(const Writing&) = delete;

   private:
    StoreSession& session_;
    bool one_item_;
    ChangedItem item_;
  };

  template <class Body>
  void WriteChanging(const ChangedItem* item, std::string_view what, Body&& body);
  // Marks the item (row `item` of folder `folder`) as written: what was read
  // of it and of its folder's items no longer holds.
  void ItemWritten(std::int64_t item, std::int64_t folder);
  // Starts a read group in which nothing read before holds.
  void StoreChanged();

  void BeginReads();
  // Makes the reads' transaction the write transaction of Write, when
  // nothing was committed since those reads began; otherwise ends it, so
  // that Write begins its own and waits for other writers as usual.
  bool ClaimReadsForWrite();
  void BeforeCommit();
  void AfterCommit();
  [[noreturn]] void FailWrite(std::string_view what, const host::Error& error) const;

  void AfterRollback() { journal_.Forget(); }

  // Sends the writes held back without waiting for them, behind those sent
  // before (having waited for those once SentWrites::kMaxWrites were
  // sent): a server makes them while the run goes on. Throws as
  // WriteHeldBack does.
  void SendHeldBack();
  // Waits for the writes sent, as WriteHeldBack says.
  void ConfirmSentWrites();
  // Runs `making`, a step of making `writes` writes held back together;
  // where it fails (not store-wide), the run's transaction must start over,
  // making each at once: throws host::StoreConflict.
  template <class Making>
  void MakeTogether(std::size_t writes, Making&& making);

  std::string path_;
  Journal journal_;
  host::ItemWindows* item_windows_ = nullptr;
  std::unique_ptr<Database> db_;
  // Takes the write lock inside the reads' transaction (ClaimReadsForWrite).
  std::unique_ptr<Statement> claim_write_;
  std::string store_id_;
  bool group_reads_ = false;
  bool reading_ = false;
  // Counts the snapshots the reads have seen: the reads' transactions, and
  // within the run's transaction the state between two writes.
  std::uint64_t read_group_ = 0;
  // The first read group after the latest change that may have touched any
  // item, and for items written alone since, the first group after each
  // one's latest write, and after the latest write of an item of each
  // folder.
  std::uint64_t store_changed_ = 0;
  std::map<std::int64_t, std::uint64_t> item_changed_;
  std::map<std::int64_t, std::uint64_t> folder_changed_;
  // Whether what `changed` says of `key` keeps what was read in `group`.
  bool AsRead(const std::map<std::int64_t, std::uint64_t>& changed, std::int64_t key, std::uint64_t group);
  int writing_ = 0;
  bool committed_ = false;
  int writes_before_failure_ = -1;
  bool fail_store_wide_ = false;
  // Declared after db_ so that every pooled statement is finalized first.
  std::map<std::string, Pooled, std::less<>> pool_;
  // Writes held back in the run's transaction (null when it makes each at
  // once), whether making them together failed in this run, and why, until
  // the transaction starts over.
  std::unique_ptr<HeldBackWrites> held_back_;
  bool writes_at_once_ = false;
  std::string unwritten_writes_;
  // Writes held back that were sent and not confirmed yet; their
  // statements go back to pool_.
  std::unique_ptr<SentWrites> sent_;
  // Declared last, so that a run not committed is rolled back first.
  std::optional<Transaction> run_transaction_;
};

template <class Body>
void StoreSession::WriteChanging(const ChangedItem* item, std::string_view what, Body&& body) {
  WriteHeldBack();
  const Writing writing(*this, item);
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
