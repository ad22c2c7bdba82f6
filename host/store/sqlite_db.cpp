#include "host/store/sqlite_db.h"

#include <filesystem>

#include "host/error.h"

namespace store {
namespace {

constexpr int kBusyTimeoutMs = 30000;

}  // namespace

Database::Database(const std::string& path, Mode mode) : path_(path) {
  if (mode == Mode::kCreateNew && std::filesystem::exists(path)) {
    throw host::Error(kStoreError, path + ": the file exists already; it is not overwritten");
  }
  const int flags = SQLITE_OPEN_READWRITE | (mode == Mode::kCreateNew ? SQLITE_OPEN_CREATE : 0);
  if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
    const std::string message = db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close(db_);
    db_ = nullptr;
    throw host::Error(kStoreError, path + ": cannot open: " + message);
  }
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
}

Database::~Database() { sqlite3_close_v2(db_); }

void Database::Exec(const char* sql) {
  if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) Fail(sql);
}

void Database::Fail(std::string_view context) const {
  throw host::Error(kStoreError, path_ + ": " + std::string(context) + ": " + sqlite3_errmsg(db_));
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

Statement& Statement::BindNull(int index) {
  if (sqlite3_bind_null(stmt_, index) != SQLITE_OK) db_.Fail("bind");
  return *this;
}

Statement& Statement::BindValue(int index, const host::Value& value) {
  if (const auto* number = std::get_if<std::int32_t>(&value)) return Bind(index, std::int64_t{*number});
  if (const auto* flag = std::get_if<bool>(&value)) return Bind(index, std::int64_t{*flag ? 1 : 0});
  if (std::holds_alternative<host::Empty>(value) || std::holds_alternative<host::Null>(value)) {
    return Bind(index, std::string_view{});
  }
  return Bind(index, host::ToText(value));
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

Transaction::Transaction(Database& db) : db_(db) { db_.Exec("BEGIN IMMEDIATE"); }

Transaction::~Transaction() {
  if (!done_) sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::Commit() {
  db_.Exec("COMMIT");
  done_ = true;
}

}  // namespace store
