#pragma once

#include <string>

namespace store {

// Where the CRM store is: QUORVIA_STORE when set and not empty, otherwise
// XDG_DATA_HOME/quorvia/crm.db, with XDG_DATA_HOME defaulting to
// HOME/.local/share. Each argument is the variable's value, or null when it
// is unset.
std::string StorePath(const char* quorvia_store, const char* xdg_data_home, const char* home);

}  // namespace store
