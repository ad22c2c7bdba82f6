#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace store {

// One column or property that a change writes, with its value before and
// after, each in the form the journal keeps.
struct ChangedValue {
  std::string name;
  nlohmann::json before;
  nlohmann::json after;
};

// The JSON text of one side of a change, {"columns": {NAME: VALUE, ...},
// "properties": {NAME: VALUE, ...}}, a member left out when it has no
// values; `side` picks before or after. Written straight from the values:
// a journaled save writes two of these, and building them as documents
// cost more than the save itself.
std::string ChangeText(const std::vector<ChangedValue>& columns, const std::vector<ChangedValue>& properties,
                       nlohmann::json ChangedValue::*side);

}  // namespace store
