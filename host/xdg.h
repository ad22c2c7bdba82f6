#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace host {

// The value of an environment variable of this process; "" when unset.
std::string EnvironmentVariable(const char* name);

// An XDG base folder: `xdg_home` (the value of XDG_DATA_HOME, XDG_STATE_HOME,
// ...) when it is an absolute path, as the XDG rules ask, else `home` joined
// with `fallback` (".local/share", ".local/state", ...); nullopt when both
// are unusable.
std::optional<std::filesystem::path> XdgBaseFolder(const std::string& xdg_home,
                                                   const std::string& home, const char* fallback);

}  // namespace host
