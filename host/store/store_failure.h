#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace store {

// The lines a user is shown when the store at `location` (a file path, or a
// server's location with its password masked) becomes unusable as a whole,
// the same on every engine.
std::string DamagedStore(const std::string& location, std::string_view detail);
std::string FullDisk(const std::string& location);
std::string ReadOnlyStore(const std::string& location);
// Another program held what a statement needed for longer than `wait`.
std::string LockedTooLong(const std::string& location, std::chrono::milliseconds wait);

}  // namespace store
