#include "host/store/database.h"

#include "host/error.h"
#include "host/store/pg/pg_connection.h"
#include "host/store/sqlite/sqlite_database.h"
#include "host/store/store_location.h"
#include "host/store/stored_value.h"

namespace store {
host::Error OpenFailure(const std::string& location, std::string_view why) {
  return host::Error(kStoreError, "cannot open the CRM store " + location + ": " + std::string(why));
}

std::unique_ptr<Database> OpenDatabase(const std::string& location, Database::Mode mode) {
  if (EngineOf(location) == Engine::kPostgres) return std::make_unique<pg::Connection>(location, mode);
  return std::make_unique<SqliteDatabase>(location, mode);
}

Statement& Statement::BindValue(int index, const host::Value& value) {
  return std::visit([&](const auto& stored) -> Statement& { return Bind(index, stored); }, StoredForm(value));
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
