#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A second, deliberately plain reading of the store's filter language, written
// from its rules alone, to check the store's parser and compiled queries
// against: [Property] operands, = <> < > <= >=, string literals in
// apostrophes or double quotes (the quote doubled inside), 32-bit integers,
// AND, OR, NOT in any letter case, parentheses nested at most 32 deep, at
// most 256 comparisons.
namespace fuzz {

// One property of an item, as the store keeps it.
struct PropertyValue {
  enum class Type { kText, kInteger, kBoolean, kTime };
  Type type = Type::kText;
  std::string text;         // kText, and kTime as "YYYY-MM-DDTHH:MM:SS"
  std::int32_t number = 0;  // kInteger, and kBoolean as 0 or 1
};

// An item's properties by name.
using PropertyMap = std::map<std::string, PropertyValue>;

// For each item, whether the filter selects it; nullopt when the text is not
// a filter. A comparison holds only for an item whose property has a type
// the literal compares with (a string: text; an integer: integers and
// Booleans); otherwise it is unknown, and NOT of unknown is unknown, so such
// an item is never selected by that comparison, negated or not.
std::optional<std::vector<bool>> ReferenceSelect(std::string_view filter, const std::vector<PropertyMap>& items);

}  // namespace fuzz
