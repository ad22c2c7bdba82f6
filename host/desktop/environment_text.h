#pragma once

#include <string>

namespace desktop::testing {

// An environment variable's value as a test message shows it: quoted, or
// "(unset)" for null.
inline std::string ShowEnv(const char* value) {
  return value == nullptr ? "(unset)" : std::string("\"").append(value).append("\"");
}

}  // namespace desktop::testing
