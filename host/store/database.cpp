#include "host/store/database.h"

#include "host/error.h"
#include "host/store/sqlite/sqlite_database.h"

namespace store {
namespace {

bool NamesServer(const std::string& location) {
  return location.starts_with("postgresql://") || location.starts_with("postgres://") ||
         location.starts_with("service=");
}

}  // namespace

host::Error OpenFailure(const std::string& location, std::string_view why) {
  return host::Error(kStoreError, "cannot open the CRM store " + location + ": " + std::string(why));
}

std::unique_ptr<Database> OpenDatabase(const std::string& location, Database::Mode mode) {
  if (NamesServer(location)) {
    throw OpenFailure(location, "this build has no PostgreSQL engine");
  }
  return std::make_unique<SqliteDatabase>(location, mode);
}

Statement& Statement::BindValue(int index, const host::Value& value) {
  if (const auto* number = std::get_if<std::int32_t>(&value)) return Bind(index, std::int64_t{*number});
  if (const auto* flag = std::get_if<bool>(&value)) return Bind(index, std::int64_t{*flag ? 1 : 0});
  if (std::holds_alternative<host::Empty>(value) || std::holds_alternative<host::Null>(value)) {
    return Bind(index, std::string_view{});
  }
  return Bind(index, host::ToText(value));
}

std::int64_t PreparedStatement::Insert() {
  if (!Step()) throw host::Error(kStoreError, "a row to be added was not added");
  const std::int64_t id = Int(0);
  while (Step()) {
  }
  return id;
}

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
