#include "host/xdg.h"

#include <cstdlib>

namespace host {

std::string EnvironmentVariable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::optional<std::filesystem::path> XdgBaseFolder(const std::string& xdg_home,
                                                   const std::string& home, const char* fallback) {
  if (!xdg_home.empty() && xdg_home.front() == '/') return std::filesystem::path(xdg_home);
  if (home.empty()) return std::nullopt;
  return std::filesystem::path(home) / fallback;
}

}  // namespace host
