#pragma once

#include <filesystem>
#include <string_view>
#include <system_error>

namespace desktop {

// `file` in the folder of the running program, where the build and an
// installation put the program's companions.
inline std::filesystem::path BesideThisProgram(std::string_view file) {
  std::error_code unknown;
  return std::filesystem::read_symlink("/proc/self/exe", unknown).parent_path() / file;
}

}  // namespace desktop
