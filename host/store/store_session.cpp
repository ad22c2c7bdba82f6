#include "host/store/store_session.h"

#include <algorithm>
#include <utility>

#include "host/store/dialect.h"
#include "host/store/held_back_writes.h"
#include "host/store/schema.h"

namespace store {

StoreSession::StoreSession(std::string path, RunRecord run)
    : path_(std::move(path)), journal_(std::move(run)) {}

StoreSession::StoreSession(std::unique_ptr<Database> db, RunRecord run)
    : path_(db->location()), journal_(std::move(run)), db_(std::move(db)) {}

StoreSession::~StoreSession() {
  if (!db_) return;
  RollBackRun();
  EndReads();
  CheckpointQuietly(*db_);
}

Database& StoreSession::Db() {
  if (!db_) db_ = OpenStore(path_);
  return *db_;
}

const std::string& StoreSession::StoreId() {
  if (store_id_.empty()) {
    Lease statement(*this, "SELECT store_id FROM store WHERE id = 1");
    if (!statement->Step()) Fail(kStoreError, "no store identifier is kept");
    store_id_ = statement->Text(0);
  }
  return store_id_;
}

std::string StoreSession::OutlookVersion() {
  Lease statement(*this, "SELECT outlook_version FROM store WHERE id = 1");
  if (!statement->Step()) Fail(kStoreError, "no mail-client version is kept");
  return statement->Text(0);
}

// One lookup of the text per lease: the lease keeps where its statement
// goes back to.
StoreSession::Lease::Lease(StoreSession& session, std::string_view sql) {
  // Whatever the statement is, it sees the writes held back.
  session.WriteHeldBack();
  session.BeginReads();
  auto found = session.pool_.find(sql);
  if (found == session.pool_.end()) found = session.pool_.emplace(std::string(sql), Pooled{}).first;
  pooled_ = &found->second;
  if (!pooled_->empty()) {
    statement_ = std::move(pooled_->back());
    pooled_->pop_back();
  } else {
    statement_ = std::make_unique<Statement>(session.Db(), found->first.c_str());
  }
}

StoreSession::Lease::Lease(Lease&& other) noexcept
    : pooled_(other.pooled_), statement_(std::move(other.statement_)) {}

StoreSession::Lease::~Lease() {
  if (!statement_) return;
  statement_->Reset();
  pooled_->push_back(std::move(statement_));
}

void StoreSession::EndRun(int status, const Retention& retention) {
  // A run that never opened the store changed nothing in it.
  if (db_ && journal_.on()) journal_.End(*this, status, retention);
}

int StoreSession::Changes() { return Db().Changes(); }

void StoreSession::BeginReads() {
  if (!group_reads_ || Db().InTransaction()) return;  // reads grouped already, or inside a write
  db_->Run(Database::Control::kBegin);
  reading_ = true;
  StoreChanged();
}

void StoreSession::StoreChanged() {
  store_changed_ = ++read_group_;
  item_changed_.clear();
  folder_changed_.clear();
}

void StoreSession::EndReads() {
  if (!reading_) return;
  reading_ = false;
  // A read-only transaction commits without touching the file; should it
  // fail, rolling back ends it just as well.
  if (!db_->TryRun(Database::Control::kCommit)) db_->TryRun(Database::Control::kRollback);
}

std::uint64_t StoreSession::ReadGroup() {
  if (writing_ > 0) return 0;
  // Within the run's transaction nothing but this run changes the store.
  if (run_transaction_) return read_group_;
  BeginReads();
  return reading_ ? read_group_ : 0;
}

bool StoreSession::ItemAsRead(std::int64_t item, std::uint64_t group) { return AsRead(item_changed_, item, group); }

bool StoreSession::FolderAsRead(std::int64_t folder, std::uint64_t group) {
  return AsRead(folder_changed_, folder, group);
}

bool StoreSession::FoldersAsRead(std::uint64_t group) {
  const std::uint64_t now = ReadGroup();
  return now != 0 && (now == group || (run_transaction_ && group >= store_changed_));
}

// What holds for the folders holds for a key too, unless the key was
// written since `group`: in a later group than it.
bool StoreSession::AsRead(const std::map<std::int64_t, std::uint64_t>& changed, std::int64_t key,
                          std::uint64_t group) {
  if (!FoldersAsRead(group)) return false;
  const auto found = changed.find(key);
  return found == changed.end() || found->second <= group;
}

void StoreSession::TakeForWriting(const std::vector<std::string>& accounts, ItemWrites writes) {
  if (run_transaction_) {
    // Another try of the run's transaction: nothing of the last one stays.
    RollBackRun();
    journal_.Restart(journal_.run());
  }
  EndReads();
  // What was read before may have changed before the store was taken.
  StoreChanged();
  run_transaction_.emplace(Db());
  unwritten_writes_.clear();
  if (writes == ItemWrites::kHeldBack && !writes_at_once_) held_back_ = std::make_unique<HeldBackWrites>();
  LockAccounts(accounts);
}

HeldBackWrites* StoreSession::HoldBack(const ItemRow& item, HeldWriteKind kind) {
  if (!held_back_ || writes_before_failure_ >= 0) return nullptr;
  if (held_back_->MustWaitFor(item.id, kind)) SendHeldBack();
  ItemWritten(item.id, item.folder);
  return held_back_.get();
}

template <class Making>
void StoreSession::MakeTogether(std::size_t writes, Making&& making) {
  try {
    making();
  } catch (const host::StoreFailure&) {
    throw;
  } catch (const host::Error& error) {
    writes_at_once_ = true;
    held_back_.reset();
    // Part of them may be written: the run's transaction must not commit.
    unwritten_writes_ = "writing " + std::to_string(writes) + " items together failed: " + error.description();
    throw host::StoreConflict(error.number(), unwritten_writes_);
  }
}

void StoreSession::WriteHeldBack() {
  SendHeldBack();
  ConfirmSentWrites();
}

void StoreSession::SendHeldBack() {
  if (!held_back_ || held_back_->empty()) return;
  // A journaled run reads the items before it writes them, which must see
  // the writes sent before: an engine without a pipeline makes some only
  // once they are confirmed.
  if (sent_ && (journal_.on() || sent_->size() >= SentWrites::kMaxWrites)) ConfirmSentWrites();
  // Both taken out first, so that their own statements find none held back
  // and wait for none sent.
  HeldBackWrites writes = std::exchange(*held_back_, HeldBackWrites());
  std::unique_ptr<SentWrites> sent = sent_ ? std::move(sent_) : std::make_unique<SentWrites>();
  MakeTogether(sent->size() + writes.size(), [&] { writes.Write(*this, *sent); });
  sent_ = std::move(sent);
}

void StoreSession::ConfirmSentWrites() {
  if (!sent_) return;
  const std::unique_ptr<SentWrites> sent = std::move(sent_);
  MakeTogether(sent->size(), [&] { sent->Confirm(*this); });
}

void StoreSession::RollBackRun() {
  sent_.reset();
  held_back_.reset();
  run_transaction_.reset();
}

void StoreSession::ItemWritten(std::int64_t item, std::int64_t folder) {
  item_changed_[item] = ++read_group_;
  folder_changed_[folder] = read_group_;
}

void StoreSession::LockAccounts(std::vector<std::string> accounts) {
  const char* lock = Db().dialect().lock_account;
  if (*lock == '\0') return;
  // One order for every run, so that two runs never wait on each other in a
  // circle.
  std::sort(accounts.begin(), accounts.end());
  accounts.erase(std::unique(accounts.begin(), accounts.end()), accounts.end());
  for (const std::string& account : accounts) Prepare(lock)->Bind(1, account).Run();
}

void StoreSession::CommitRun() {
  if (!run_transaction_) return;
  if (!unwritten_writes_.empty()) {
    RollBackRun();
    throw host::StoreFailure(kStoreError, unwritten_writes_);
  }
  try {
    WriteHeldBack();
    run_transaction_->Commit();
  } catch (const host::StoreFailure&) {
    RollBackRun();
    throw;
  } catch (const host::Error& error) {
    RollBackRun();
    throw host::StoreFailure(error.number(), error.description());
  }
  run_transaction_.reset();
  held_back_.reset();
  committed_ = committed_ || !db_->InTransaction();
}

bool StoreSession::ClaimReadsForWrite() {
  // SQLite may have rolled the reads' transaction back itself after a failure.
  const char* claim = Db().dialect().claim_reads_for_write;
  if (reading_ && Db().InTransaction() && *claim != '\0') {
    if (!claim_write_) claim_write_ = std::make_unique<Statement>(*db_, claim);
    if (claim_write_->TryRun()) {
      reading_ = false;
      return true;
    }
  }
  EndReads();
  return false;
}

void StoreSession::Fail(long number, std::string_view what) const {
  throw host::Error(number, std::string(what) + " in the CRM store " + path_);
}

void StoreSession::BeforeCommit() {
  if (writes_before_failure_ != 0) return;
  if (fail_store_wide_) throw host::StoreFailure(kStoreError, "the CRM store " + path_ + " failed by an injected fault");
  Fail(kStoreError, "a write was refused by an injected fault");
}

void StoreSession::AfterCommit() {
  if (writes_before_failure_ > 0) --writes_before_failure_;
  // Inside the run's transaction (or preview's) a write is kept only with it.
  committed_ = committed_ || !db_->InTransaction();
}

void StoreSession::FailWrite(std::string_view what, const host::Error& error) const {
  throw host::Error(error.number(), std::string(what) + " failed, nothing was written: " +
                                        error.description());
}

}  // namespace store
