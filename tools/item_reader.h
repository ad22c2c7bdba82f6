#pragma once

#include <optional>
#include <string>

#include "tools/json_reader.h"
#include "tools/store_rows.h"

namespace storetool {

// What a member's value must be.
enum class Expect { kString, kIdentifier, kInt32, kFlag, kTime, kArray, kObject };

// Throws InputError at the current value, with its owner's path, unless
// `value` is what `expect` asks of `member`. A kTime value may be null.
void CheckMember(const JsonReader& reader, const JsonValue& value, Expect expect, const std::string& member);

// Throws InputError at the current member name: no such member.
[[noreturn]] void FailUnknownMember(const JsonReader& reader, const std::string& name);

// Where an item was read, for errors found after reading it.
struct ItemPlace {
  std::string path;         // the item's member path
  Position start;           // its opening brace
  Position entry_id;        // its "entry_id" value (or its brace when there is none)
  bool has_entry_id = false;
  bool has_message_class = false;
};

// Reads one item object, its properties and their typed values, from the
// reader's events. Members left out are empty, null or false. Each call
// throws InputError at the first member that is unknown or of the wrong type.
class ItemReader {
 public:
  explicit ItemReader(const JsonReader& reader) : reader_(reader) {}

  // The item's opening brace, the current value of the reader.
  void Begin();
  void Key(const std::string& name);
  void Value(const JsonValue& value);
  // An object ends; true when it is the item itself.
  bool End();

  const ItemRow& item() const { return item_; }
  ItemRow& item() { return item_; }
  const ItemPlace& place() const { return place_; }

 private:
  enum class Level { kItem, kProperties, kTypedValue };

  void ItemValue(const JsonValue& value);
  void PropertyValue(const JsonValue& value);
  void TypedValueMember(const JsonValue& value);
  void FinishTypedValue();

  const JsonReader& reader_;
  Level level_ = Level::kItem;
  std::string member_;
  Expect member_type_ = Expect::kString;  // of member_, in the item itself
  ItemRow item_;
  ItemPlace place_;
  // The typed value being read: its place, and its "value" until "type" is known.
  Position typed_start_;
  std::string typed_path_;
  bool has_type_ = false;
  std::optional<JsonValue> typed_value_;
  Position typed_value_at_;
};

}  // namespace storetool
