#include "host/store/store_location.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace store {
namespace {

namespace fs = std::filesystem;

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace

Environment Environment::FromProcess() {
  return Environment{Variable("QUORVIA_STORE"), Variable("XDG_DATA_HOME"), Variable("HOME")};
}

std::string DefaultStorePath(const Environment& environment) {
  if (!environment.quorvia_store.empty()) return environment.quorvia_store;
  if (!environment.xdg_data_home.empty() && environment.xdg_data_home.front() == '/') {
    return (fs::path(environment.xdg_data_home) / "quorvia" / "crm.db").string();
  }
  if (environment.home.empty()) {
    throw std::runtime_error("no store given: set QUORVIA_STORE, XDG_DATA_HOME or HOME");
  }
  return (fs::path(environment.home) / ".local" / "share" / "quorvia" / "crm.db").string();
}

}  // namespace store
