#include "host/store/store_location.h"

namespace store {
namespace {

bool IsSet(const char* value) { return value != nullptr && *value != '\0'; }

}  // namespace

std::string StorePath(const char* quorvia_store, const char* xdg_data_home, const char* home) {
  if (IsSet(quorvia_store)) return quorvia_store;
  const std::string data_home = IsSet(xdg_data_home) ? std::string(xdg_data_home)
                                                     : std::string(IsSet(home) ? home : "") + "/.local/share";
  return data_home + "/quorvia/crm.db";
}

}  // namespace store
