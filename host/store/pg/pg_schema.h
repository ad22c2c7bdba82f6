#pragma once

#include <string>

#include "host/store/pg/pg_connection.h"

namespace store::pg {

// The statements that make the store's tables (pg_schema.sql).
extern const char kSchemaSql[];

// Makes a new, empty store (no folders) in the connection's database, with
// that store identifier and mail-client version, in one transaction. Throws
// host::Error ("LOCATION: the database holds a CRM store already; it is not
// overwritten") when the database has the store's schema, changing nothing.
void CreatePgStore(Connection& db, const std::string& store_id, const std::string& outlook_version);

// The store's layout version. Throws host::Error ("cannot open the CRM store
// LOCATION: WHY") when the database holds no CRM store, or one of a layout
// this program does not know.
int CheckPgStore(Connection& db);

}  // namespace store::pg
