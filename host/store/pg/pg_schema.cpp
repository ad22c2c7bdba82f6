#include "host/store/pg/pg_schema.h"

#include "host/error.h"
#include "host/store/pg/pg_statement.h"
#include "host/store/schema.h"
#include "host/store/store_failure.h"

namespace store::pg {
namespace {

bool HasSchema(Connection& db) {
  Statement statement(db, "SELECT EXISTS (SELECT 1 FROM pg_namespace WHERE nspname = 'quorvia')");
  return statement.Step() && statement.Int(0) == 1;
}

}  // namespace

void CreatePgStore(Connection& db, const std::string& store_id, const std::string& outlook_version) {
  db.Run(Connection::Control::kBeginImmediate);
  try {
    if (HasSchema(db)) {
      throw host::Error(kStoreError, db.path() + ": the database holds a CRM store already; it is not overwritten");
    }
    db.Exec(kSchemaSql);
    Statement(db, "INSERT INTO meta (id, application_id, layout) VALUES (1, ?1, ?2)")
        .Bind(1, std::int64_t{kApplicationId})
        .Bind(2, std::int64_t{kSchemaVersion})
        .Run();
    Statement(db, "INSERT INTO store (id, store_id, outlook_version) VALUES (1, ?1, ?2)")
        .Bind(1, store_id)
        .Bind(2, outlook_version)
        .Run();
    db.Run(Connection::Control::kCommit);
  } catch (...) {
    db.TryRun(Connection::Control::kRollback);
    throw;
  }
}

int CheckPgStore(Connection& db) {
  if (!HasSchema(db)) throw OpenFailure(db.path(), "not a CRM store (the database has no schema quorvia)");
  Statement marker(db, "SELECT application_id, layout FROM meta WHERE id = 1");
  if (!marker.Step() || marker.Int(0) != kApplicationId) {
    throw OpenFailure(db.path(), "not a CRM store; the database is left unchanged");
  }
  const auto version = static_cast<int>(marker.Int(1));
  if (version != kSchemaVersion) {
    throw OpenFailure(db.path(), "store layout version " + std::to_string(version) +
                                     " is not supported (this program reads version " +
                                     std::to_string(kSchemaVersion) + " on PostgreSQL); the database is left unchanged");
  }
  return version;
}

}  // namespace store::pg
