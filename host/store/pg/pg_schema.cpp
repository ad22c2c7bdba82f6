#include "host/store/pg/pg_schema.h"

namespace store::pg {

bool HoldsStore(Connection& db) {
  Statement statement(db, "SELECT CAST(EXISTS (SELECT 1 FROM pg_namespace WHERE nspname = 'quorvia') AS integer)");
  return statement.Step() && statement.Int(0) == 1;
}

}  // namespace store::pg
