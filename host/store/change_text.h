#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace store {

// One column or property that a change writes, with its value before and
// after, each the JSON text of the form the journal keeps.
struct ChangedValue {
  std::string name;
  std::string before;
  std::string after;
};

// The JSON text of one side of a change, {"columns": {NAME: VALUE, ...},
// "properties": {NAME: VALUE, ...}}, a member left out when it has no
// values; `side` picks before or after. Written straight from the values'
// texts: a journaled save writes two of these, and building them as
// documents cost more than the save itself.
std::string ChangeText(const std::vector<ChangedValue>& columns, const std::vector<ChangedValue>& properties,
                       std::string ChangedValue::*side);

// Appends the text as a JSON string, its bytes as they are (the caller
// keeps text that is not UTF-8 in the journal's own form).
void AppendJsonString(std::string& out, std::string_view text);
// Appends the text as a JSON string when it is UTF-8, and yields whether it
// did (nothing is appended when it is not).
bool AppendUtf8JsonString(std::string& out, std::string_view text);

}  // namespace store
