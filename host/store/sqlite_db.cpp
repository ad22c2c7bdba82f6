#include "host/store/sqlite_db.h"

#include <filesystem>

#include "host/error.h"
#include "host/store/sqlite_failure.h"
#include "host/utf8.h"
#include "host/store/store_files.h"
#include "host/store/stored_value.h"

namespace store {
namespace {

// SQLite reads a WAL store through its -wal and -shm files and makes them
// when they are missing; a read-only connection cannot remove them again.
// Where nothing may be written and no log is beside the file, no program
// can be changing it, so it is read as it is.
std::string ReadOnlyUri(const std::string& path) {
  std::string uri = path.starts_with('/') ? "file://" : "file:";
  for (const char c : path) {
    if (c == '%' || c == '?' || c == '#') {
      static constexpr char kHex[] = "0123456789ABCDEF";
      uri += '%';
      uri += kHex[static_cast<unsigned char>(c) >> 4];
      uri += kHex[static_cast<unsigned char>(c) & 0xF];
    } else {
      uri += c;
    }
  }
  std::error_code error;
  const bool has_log = std::filesystem::exists(path + "-wal", error);
  return has_log ? uri : uri + "?immutable=1";
}

// Every connection is used by one thread only, and nothing reads SQLite's
// memory statistics: without them no allocation takes the global memory
// mutex, and with NOMUTEX no call takes the connection's.
bool ConfigureSqlite() {
  sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
  return true;
}

// is_utf8(X): 1 unless X is a text that is not UTF-8. SQLite keeps any
// bytes as text and its JSON functions copy them as they are, so the
// journal and check need to tell.
void IsUtf8Function(sqlite3_context* context, int /*argc*/, sqlite3_value** argv) {
  bool valid = true;
  if (sqlite3_value_type(argv[0]) == SQLITE_TEXT) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    valid = !host::FirstInvalidUtf8(std::string_view(text, static_cast<std::size_t>(sqlite3_value_bytes(argv[0]))))
                 .has_value();
  }
  sqlite3_result_int(context, valid ? 1 : 0);
}

}  // namespace

Database::Database(const std::string& path, Mode mode) : path_(path) {
  [[maybe_unused]] static const bool configured = ConfigureSqlite();
  std::string name = path;
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
  if (mode == Mode::kCreateNew) CreatePrivateFile(path);
  // Where it can be written, a store read through a connection that may
  // write but refuses to cleans up its -wal and -shm files when it closes.
  if (mode == Mode::kReadOnly && IsReadOnlyPlace(path)) {
    flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX;
    name = ReadOnlyUri(path);
  }
  if (sqlite3_open_v2(name.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
    const std::string why = WhyNotOpened(db_);
    sqlite3_close(db_);
    db_ = nullptr;
    std::error_code ignored;
    if (mode == Mode::kCreateNew) std::filesystem::remove(path, ignored);
    throw OpenFailure(path, why);
  }
  sqlite3_extended_result_codes(db_, 1);
  SetBusyTimeout(busy_timeout_);
  sqlite3_create_function_v2(db_, "is_utf8", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                             IsUtf8Function, nullptr, nullptr, nullptr);
  if (mode == Mode::kReadOnly) Exec("PRAGMA query_only = ON");
}

Database::~Database() {
  for (sqlite3_stmt* control : controls_) sqlite3_finalize(control);
  sqlite3_close_v2(db_);
}

void Database::SetBusyTimeout(std::chrono::milliseconds timeout) {
  busy_timeout_ = timeout;
  sqlite3_busy_timeout(db_, static_cast<int>(timeout.count()));
}

void Database::Exec(const char* sql) {
  if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) Fail(sql);
}

namespace {
constexpr std::array<const char*, 7> kControlTexts = {"BEGIN",    "BEGIN IMMEDIATE",     "COMMIT",        "ROLLBACK",
                                                      "SAVEPOINT nested", "ROLLBACK TO nested", "RELEASE nested"};
}  // namespace

int Database::TryRun(Control control) noexcept {
  const auto index = static_cast<std::size_t>(control);
  sqlite3_stmt*& statement = controls_[index];
  if (statement == nullptr) {
    const int prepared = sqlite3_prepare_v2(db_, kControlTexts[index], -1, &statement, nullptr);
    if (prepared != SQLITE_OK) return prepared;
  }
  const int rc = sqlite3_step(statement);
  sqlite3_reset(statement);
  return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

void Database::Run(Control control) {
  if (TryRun(control) != SQLITE_OK) Fail(kControlTexts[static_cast<std::size_t>(control)]);
}

void Database::Fail(std::string_view context) const {
  const std::string message = sqlite3_errmsg(db_);
  const int code = sqlite3_extended_errcode(db_);
  // Every wait for the store ran into the busy timeout: another program
  // holds it, and this one cannot go on with it.
  if ((code & 0xFF) == SQLITE_BUSY) {
    throw host::StoreFailure(kStoreError, LockedTooLong(path_, busy_timeout_));
  }
  if (auto failure = StoreWideFailure(path_, code, message)) {
    throw host::StoreFailure(kStoreError, *failure);
  }
  throw host::Error(kStoreError,
                    "the CRM store " + path_ + ": " + message + " (in " + std::string(context) + ")");
}

Statement::Statement(const Database& db, const char* sql) : db_(db) {
  if (sqlite3_prepare_v2(db.handle(), sql, -1, &stmt_, nullptr) != SQLITE_OK) db.Fail(sql);
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

Statement& Statement::Bind(int index, std::string_view text) {
  if (sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT) !=
      SQLITE_OK) {
    db_.Fail("bind");
  }
  return *this;
}

Statement& Statement::Bind(int index, std::int64_t number) {
  if (sqlite3_bind_int64(stmt_, index, number) != SQLITE_OK) db_.Fail("bind");
  return *this;
}

Statement& Statement::Bind(int index, double number) {
  if (sqlite3_bind_double(stmt_, index, number) != SQLITE_OK) db_.Fail("bind");
  return *this;
}

Statement& Statement::BindNull(int index) {
  if (sqlite3_bind_null(stmt_, index) != SQLITE_OK) db_.Fail("bind");
  return *this;
}

Statement& Statement::BindValue(int index, const host::Value& value) {
  return std::visit([&](const auto& stored) -> Statement& { return Bind(index, stored); }, StoredForm(value));
}

bool Statement::Step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  db_.Fail(sqlite3_sql(stmt_));
}

void Statement::Run() {
  while (Step()) {
  }
}

int Statement::TryRun() noexcept {
  int rc = SQLITE_ROW;
  while (rc == SQLITE_ROW) rc = sqlite3_step(stmt_);
  sqlite3_reset(stmt_);
  return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

void Statement::Reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

std::string Statement::Text(int column) const {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
  return text != nullptr ? std::string(text, sqlite3_column_bytes(stmt_, column)) : std::string();
}

std::int64_t Statement::Int(int column) const { return sqlite3_column_int64(stmt_, column); }

bool Statement::IsNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }

double Statement::Real(int column) const { return sqlite3_column_double(stmt_, column); }

int Statement::Type(int column) const { return sqlite3_column_type(stmt_, column); }

Transaction::Transaction(Database& db) : db_(db), nested_(db.InTransaction()) {
  db_.Run(nested_ ? Database::Control::kSavepoint : Database::Control::kBeginImmediate);
}

Transaction::~Transaction() {
  if (done_) return;
  if (nested_) {
    db_.TryRun(Database::Control::kRollbackToSavepoint);
    db_.TryRun(Database::Control::kRelease);
  } else {
    db_.TryRun(Database::Control::kRollback);
  }
}

void Transaction::Commit() {
  db_.Run(nested_ ? Database::Control::kRelease : Database::Control::kCommit);
  done_ = true;
}

}  // namespace store
