#pragma once

#include <cstdint>
#include <string>

namespace storetool::demo {

// A well-mixed 64-bit number made from a seed, a stream (what it is for)
// and an index: the same three always give the same number.
std::uint64_t Mix(std::uint64_t seed, std::uint64_t stream, std::uint64_t index);

// Realistic texts picked by a mixed number (any value is fine).
std::string CompanyName(std::uint64_t pick);  // "Nordwind Logistik GmbH"
std::string PersonName(std::uint64_t pick);   // "Anna Berg"
std::string TeamName(std::uint64_t pick);
std::string AlignmentName(std::uint64_t pick);
std::string CityName(std::uint64_t pick);
std::string IndustryName(std::uint64_t pick);
std::string JobTitle(std::uint64_t pick);
std::string ProductName(std::uint64_t pick);
std::string ActivityText(std::uint64_t pick);  // "Discussed the renewal terms"
std::string AlertText(std::uint64_t pick);     // "Call back about the open invoice"

// A time between 2018-01-01 and the end of 2025 as "YYYY-MM-DD HH:MM:SS".
std::string TimeText(std::uint64_t pick);

// The `index`-th name of a list at one level of the demo folder tree
// (`group` 0 contacts, 1 opportunities, 2 activities; `level` 2 to 4); past
// the end of the list the names repeat with " 2", " 3", ... appended.
std::string FolderName(int group, int level, std::int64_t index);

}  // namespace storetool::demo
