#pragma once

#include <string>

namespace store {

// The environment variables that choose the store.
struct Environment {
  std::string quorvia_store;  // QUORVIA_STORE
  std::string xdg_data_home;  // XDG_DATA_HOME
  std::string home;           // HOME

  // Reads the three variables of this process (unset reads as empty).
  static Environment FromProcess();
};

// The engines a store location can name.
enum class Engine {
  kSqlite,    // a file path
  kPostgres,  // a libpq URI (postgresql://..., postgres://...) or a libpq
              // key=value string that starts with service=, host=,
              // hostaddr=, port=, dbname= or user=
};

// Which engine `location` names.
Engine EngineOf(const std::string& location);

// `location` as it may be shown, written to the run log or journaled: a
// server location with its password as *** (postgresql://u:***@h/db,
// ?password=***, password=***); a file path as it is.
std::string MaskPassword(const std::string& location);

// Where the CRM store is: QUORVIA_STORE, else XDG_DATA_HOME/quorvia/crm.db
// (an absolute XDG_DATA_HOME only), else HOME/.local/share/quorvia/crm.db.
// Throws std::runtime_error when none of them is set.
std::string DefaultStorePath(const Environment& environment);

}  // namespace store
