#include "tools/item_reader.h"

#include <algorithm>
#include <cctype>
#include <iterator>

namespace storetool {
namespace {

std::string For(const std::string& member) { return " for " + Quote(member); }

constexpr char kTimeFormat[] = "a time \"YYYY-MM-DDTHH:MM:SS\"";
constexpr char kInt32Range[] = "an integer from -2147483648 to 2147483647";

// Written "YYYY-MM-DDTHH:MM:SS" (or with a blank) with digits where digits go.
bool HasTimeShape(const std::string& text) {
  static constexpr char kShape[] = "dddd-dd-ddTdd:dd:dd";
  if (text.size() != sizeof kShape - 1) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool fits = kShape[i] == 'd' ? std::isdigit(static_cast<unsigned char>(c)) != 0
                      : kShape[i] == 'T' ? c == 'T' || c == ' '
                                         : c == kShape[i];
    if (!fits) return false;
  }
  return true;
}

// Reads a document time into its stored form; throws InputError, naming an
// impossible date or time of day as such, when it is not one.
std::string TimeOf(const JsonReader& reader, const JsonValue& value, const std::string& member,
                   const std::string& expected, const Position& at, const std::string& path) {
  const auto time = value.kind == JsonKind::kString ? StoredTime(value.text) : std::nullopt;
  if (time) return *time;
  if (value.kind != JsonKind::kString || !HasTimeShape(value.text)) reader.Fail(at, path, "expected " + expected + For(member));
  const std::string date = value.text.substr(0, 10);
  if (!StoredTime(date + "T00:00:00")) reader.Fail(at, path, date + " is not a date" + For(member));
  reader.Fail(at, path, value.text.substr(11) + " is not a time of day" + For(member));
}

constexpr struct {
  const char* name;
  Expect expect;
} kItemMembers[] = {
    {"entry_id", Expect::kIdentifier}, {"message_class", Expect::kString}, {"subject", Expect::kString},
    {"body", Expect::kString},         {"company_name", Expect::kString},  {"time_sent", Expect::kTime},
    {"time_received", Expect::kTime},  {"sent", Expect::kFlag},            {"unread", Expect::kFlag},
    {"submitted", Expect::kFlag},      {"properties", Expect::kObject},
};

}  // namespace

void CheckMember(const JsonReader& reader, const JsonValue& value, Expect expect, const std::string& member) {
  const JsonKind kind = value.kind;
  switch (expect) {
    case Expect::kString:
      if (kind != JsonKind::kString) reader.FailHere("expected a string" + For(member));
      return;
    case Expect::kIdentifier:
      if (kind != JsonKind::kString || !IsUpperHex(value.text)) {
        reader.FailHere("expected an identifier in upper-case hexadecimal (0-9, A-F)" + For(member));
      }
      return;
    case Expect::kInt32:
      if (!value.int32) reader.FailHere(std::string("expected ") + kInt32Range + For(member));
      return;
    case Expect::kFlag:
      if (kind != JsonKind::kBoolean) reader.FailHere("expected true or false" + For(member));
      return;
    case Expect::kTime:
      if (kind != JsonKind::kNull) {
        TimeOf(reader, value, member, std::string(kTimeFormat) + " or null", reader.position(), reader.OwnerPath());
      }
      return;
    case Expect::kArray:
      if (kind != JsonKind::kArray) reader.FailHere("expected an array" + For(member));
      return;
    case Expect::kObject:
      if (kind != JsonKind::kObject) reader.FailHere("expected an object" + For(member));
      return;
  }
}

void FailUnknownMember(const JsonReader& reader, const std::string& name) {
  reader.FailHere("unknown member " + Quote(name));
}

void ItemReader::Begin() {
  item_ = ItemRow{};
  place_ = ItemPlace{};
  place_.path = reader_.Path();
  place_.start = place_.entry_id = reader_.position();
  level_ = Level::kItem;
}

void ItemReader::Key(const std::string& name) {
  member_ = name;
  if (level_ == Level::kItem) {
    const auto* const found = std::find_if(std::begin(kItemMembers), std::end(kItemMembers),
                                           [&](const auto& member) { return name == member.name; });
    if (found == std::end(kItemMembers)) FailUnknownMember(reader_, name);
    member_type_ = found->expect;
  } else if (level_ == Level::kTypedValue && name != "type" && name != "value") {
    FailUnknownMember(reader_, name);
  }
}

void ItemReader::Value(const JsonValue& value) {
  switch (level_) {
    case Level::kItem: return ItemValue(value);
    case Level::kProperties: return PropertyValue(value);
    case Level::kTypedValue: return TypedValueMember(value);
  }
}

bool ItemReader::End() {
  switch (level_) {
    case Level::kItem: return true;
    case Level::kProperties: level_ = Level::kItem; return false;
    case Level::kTypedValue: FinishTypedValue(); level_ = Level::kProperties; return false;
  }
  return false;
}

void ItemReader::ItemValue(const JsonValue& value) {
  CheckMember(reader_, value, member_type_, member_);
  if (member_ == "entry_id") {
    item_.entry_id = value.text;
    place_.entry_id = reader_.position();
    place_.has_entry_id = true;
  } else if (member_ == "message_class") {
    item_.message_class = value.text;
    place_.has_message_class = true;
  } else if (member_ == "subject") {
    item_.subject = value.text;
  } else if (member_ == "body") {
    item_.body = value.text;
  } else if (member_ == "company_name") {
    item_.company_name = value.text;
  } else if (member_ == "time_sent" || member_ == "time_received") {
    (member_ == "time_sent" ? item_.time_sent : item_.time_received) =
        value.kind == JsonKind::kNull ? std::nullopt : StoredTime(value.text);
  } else if (member_ == "properties") {
    level_ = Level::kProperties;
  } else {
    (member_ == "sent" ? item_.sent : member_ == "unread" ? item_.unread : item_.submitted) = value.boolean;
  }
}

// A property is a string (text), a plain integer or true/false, or the typed form.
void ItemReader::PropertyValue(const JsonValue& value) {
  PropertyRow property;
  property.name = member_;
  switch (value.kind) {
    case JsonKind::kString:
      property.text = value.text;
      break;
    case JsonKind::kInteger:
      if (!value.int32) reader_.FailHere(std::string("expected ") + kInt32Range + For(member_));
      property.type = kInteger;
      property.number = *value.int32;
      break;
    case JsonKind::kBoolean:
      property.type = kBoolean;
      property.number = value.boolean ? 1 : 0;
      break;
    case JsonKind::kObject:
      level_ = Level::kTypedValue;
      typed_start_ = reader_.position();
      typed_path_ = reader_.Path();
      has_type_ = false;
      typed_value_.reset();
      property.type.clear();
      break;
    default:
      reader_.FailHere("expected a string, an integer, true or false, or an object with \"type\" and \"value\"" +
                       For(member_));
  }
  item_.properties.push_back(std::move(property));
}

void ItemReader::TypedValueMember(const JsonValue& value) {
  if (member_ == "value") {
    if (value.kind == JsonKind::kObject || value.kind == JsonKind::kArray) {
      reader_.FailHere("expected a string, an integer or true or false" + For("value"));
    }
    typed_value_ = value;
    typed_value_at_ = reader_.position();
    return;
  }
  CheckMember(reader_, value, Expect::kString, "type");
  const std::string& type = value.text;
  if (type != kText && type != kInteger && type != kBoolean && type != kTime) {
    reader_.FailHere("expected \"text\", \"integer\", \"boolean\" or \"time\"" + For("type"));
  }
  item_.properties.back().type = type;
  has_type_ = true;
}

void ItemReader::FinishTypedValue() {
  if (!has_type_) reader_.Fail(typed_start_, typed_path_, "missing member \"type\"");
  if (!typed_value_) reader_.Fail(typed_start_, typed_path_, "missing member \"value\"");
  PropertyRow& property = item_.properties.back();
  const JsonValue& value = *typed_value_;
  auto fail = [&](const std::string& what) { reader_.Fail(typed_value_at_, typed_path_, what + For("value")); };
  if (property.type == kText) {
    if (value.kind != JsonKind::kString) fail("expected a string");
    property.text = value.text;
  } else if (property.type == kInteger) {
    if (value.kind != JsonKind::kInteger) fail("expected an integer");
    if (!value.int32) fail(std::string("expected ") + kInt32Range);
    property.number = *value.int32;
  } else if (property.type == kBoolean) {
    if (value.kind != JsonKind::kBoolean) fail("expected true or false");
    property.number = value.boolean ? 1 : 0;
  } else {
    property.text = TimeOf(reader_, value, "value", kTimeFormat, typed_value_at_, typed_path_);
  }
}

}  // namespace storetool
