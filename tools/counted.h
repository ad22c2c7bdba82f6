#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace storetool {

// `count` with the noun that agrees with it: "1 item", "2 items", "0 items".
inline std::string Counted(std::uint64_t count, std::string_view one, std::string_view many) {
  return std::to_string(count) + ' ' + std::string(count == 1 ? one : many);
}

}  // namespace storetool
