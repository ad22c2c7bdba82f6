#include "host/store/store_location.h"

#include <stdexcept>

#include "host/xdg.h"

namespace store {

Environment Environment::FromProcess() {
  return Environment{host::EnvironmentVariable("QUORVIA_STORE"),
                     host::EnvironmentVariable("XDG_DATA_HOME"), host::EnvironmentVariable("HOME")};
}

std::string DefaultStorePath(const Environment& environment) {
  if (!environment.quorvia_store.empty()) return environment.quorvia_store;
  const auto data_home =
      host::XdgBaseFolder(environment.xdg_data_home, environment.home, ".local/share");
  if (!data_home) {
    throw std::runtime_error("no store given: set QUORVIA_STORE, XDG_DATA_HOME or HOME");
  }
  return (*data_home / "quorvia" / "crm.db").string();
}

}  // namespace store
