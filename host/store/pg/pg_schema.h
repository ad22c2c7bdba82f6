#pragma once

#include "host/store/pg/pg_connection.h"

namespace store::pg {

// The statements that make the store's tables (pg_schema.sql), in the
// schema quorvia, with the one row of meta (marked 0, layout 0 until the
// store is made).
extern const char kSchemaSql[];

// Whether the connection's database has the store's schema.
bool HoldsStore(Connection& db);

}  // namespace store::pg
