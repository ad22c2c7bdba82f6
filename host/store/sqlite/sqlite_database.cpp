#include "host/store/sqlite/sqlite_database.h"

#include <malloc.h>

#include <filesystem>

#include "host/error.h"
#include "host/store/dialect.h"
#include "host/store/sqlite/sqlite_failure.h"
#include "host/utf8.h"
#include "host/store/store_files.h"
#include "host/store/store_failure.h"

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
// Each item's savepoint in a run makes SQLite allocate and free blocks at
// the top of the heap; giving them back to the system at every release (a
// brk, then fresh zeroed pages at the next item) took two thirds of a
// Delete's time. The heap keeps up to 32 MiB free instead.
bool ConfigureSqlite() {
  sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
  mallopt(M_TRIM_THRESHOLD, 32 << 20);
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

SqliteDatabase::SqliteDatabase(const std::string& path, Mode mode) : path_(path) {
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
    const std::string why = store::WhyNotOpened(db_);
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

SqliteDatabase::~SqliteDatabase() {
  for (sqlite3_stmt* control : controls_) sqlite3_finalize(control);
  sqlite3_close_v2(db_);
}

void SqliteDatabase::SetBusyTimeout(std::chrono::milliseconds timeout) {
  busy_timeout_ = timeout;
  sqlite3_busy_timeout(db_, static_cast<int>(timeout.count()));
}

void SqliteDatabase::Exec(const char* sql) {
  if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) Fail(sql);
}

namespace {
constexpr std::array<const char*, 7> kControlTexts = {"BEGIN",    "BEGIN IMMEDIATE",     "COMMIT",        "ROLLBACK",
                                                      "SAVEPOINT nested", "ROLLBACK TO nested", "RELEASE nested"};
}  // namespace

bool SqliteDatabase::TryRun(Control control) noexcept {
  const auto index = static_cast<std::size_t>(control);
  sqlite3_stmt*& statement = controls_[index];
  if (statement == nullptr && sqlite3_prepare_v2(db_, kControlTexts[index], -1, &statement, nullptr) != SQLITE_OK) {
    return false;
  }
  const int rc = sqlite3_step(statement);
  sqlite3_reset(statement);
  return rc == SQLITE_DONE;
}

void SqliteDatabase::Run(Control control) {
  if (!TryRun(control)) Fail(kControlTexts[static_cast<std::size_t>(control)]);
}

const Dialect& SqliteDatabase::dialect() const { return kSqliteDialect; }

std::string SqliteDatabase::WhyNotOpened() const { return store::WhyNotOpened(db_); }

void SqliteDatabase::Fail(std::string_view context) const {
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

namespace {

constexpr std::string_view kReturningId = " RETURNING id";

// SQLite answers RETURNING through a temporary table that costs a row
// insert of its own, and the id is its last inserted row id anyway: an
// INSERT ... RETURNING id is prepared without it, for Insert.
class SqliteStatement final : public PreparedStatement {
 public:
  SqliteStatement(const SqliteDatabase& db, std::string_view sql) : db_(db) {
    const bool returning_id = sql.starts_with("INSERT") && sql.ends_with(kReturningId);
    if (returning_id) sql.remove_suffix(kReturningId.size());
    if (sqlite3_prepare_v2(db.handle(), sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr) != SQLITE_OK) {
      db.Fail(sql);
    }
    returning_id_ = returning_id;
  }
  ~SqliteStatement() override { sqlite3_finalize(stmt_); }

  void Bind(int index, std::string_view text) override {
    Check(sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT));
  }
  void BindUnowned(int index, std::string_view text) override {
    Check(sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC));
  }
  void Bind(int index, std::int64_t number) override { Check(sqlite3_bind_int64(stmt_, index, number)); }
  void Bind(int index, double number) override { Check(sqlite3_bind_double(stmt_, index, number)); }
  void BindNull(int index) override { Check(sqlite3_bind_null(stmt_, index)); }

  bool Step() override {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    db_.Fail(sqlite3_sql(stmt_));
  }

  bool TryRun() noexcept override {
    int rc = SQLITE_ROW;
    while (rc == SQLITE_ROW) rc = sqlite3_step(stmt_);
    sqlite3_reset(stmt_);
    return rc == SQLITE_DONE;
  }

  void Reset() override {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }

  std::int64_t Insert() override {
    if (!returning_id_) return PreparedStatement::Insert();
    while (Step()) {
    }
    return sqlite3_last_insert_rowid(db_.handle());
  }

  std::string Text(int column) const override { return std::string(TextView(column)); }
  std::string_view TextView(int column) const override {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return text != nullptr ? std::string_view(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)))
                           : std::string_view();
  }
  std::int64_t Int(int column) const override { return sqlite3_column_int64(stmt_, column); }
  double Real(int column) const override { return sqlite3_column_double(stmt_, column); }
  ColumnType Type(int column) const override {
    switch (sqlite3_column_type(stmt_, column)) {
      case SQLITE_INTEGER: return ColumnType::kInteger;
      case SQLITE_FLOAT: return ColumnType::kReal;
      case SQLITE_TEXT: return ColumnType::kText;
      case SQLITE_BLOB: return ColumnType::kBlob;
      default: return ColumnType::kNull;
    }
  }

 private:
  void Check(int bound) const {
    if (bound != SQLITE_OK) db_.Fail("bind");
  }

  const SqliteDatabase& db_;
  sqlite3_stmt* stmt_ = nullptr;
  bool returning_id_ = false;
};

}  // namespace

std::unique_ptr<PreparedStatement> SqliteDatabase::Prepare(const char* sql) const {
  return std::make_unique<SqliteStatement>(*this, sql);
}

}  // namespace store
