#pragma once

#include <cstdint>
#include <string>

#include "tools/json_reader.h"
#include "tools/store_rows.h"

namespace storetool {

// Where an item was read, for errors found after reading it.
struct ItemPlace {
  std::string path;         // the item's member path
  Position start;           // its opening brace
  Position entry_id;        // its "entry_id" value (or its brace when there is none)
  bool has_entry_id = false;
  bool has_message_class = false;
};

// Reads the value whose first token the reader has just returned, which must
// be an item object, into `item` (members left out are empty, null or false).
// Throws InputError at the first member that is unknown or of the wrong type.
void ReadItem(JsonReader& reader, ItemRow& item, ItemPlace& place);

// Reads the next value as a string for `member`; throws InputError otherwise.
std::string ReadString(JsonReader& reader, const std::string& member);

// Reads the next value as an entry or store identifier (upper-case hex).
std::string ReadIdentifier(JsonReader& reader, const std::string& member);

// Reads the next value as a JSON integer in the 32-bit range.
std::int32_t ReadInt32(JsonReader& reader, const std::string& member);

// Throws InputError at the current member name: no such member.
[[noreturn]] void FailUnknownMember(const JsonReader& reader);

}  // namespace storetool
