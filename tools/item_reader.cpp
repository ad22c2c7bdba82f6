#include "tools/item_reader.h"

#include <charconv>
#include <limits>
#include <optional>

#include "tools/json_writer.h"

namespace storetool {
namespace {

using Token = JsonReader::Token;

std::string For(const std::string& member) { return " for " + Quote(member); }

// Parses a JSON number literal that is an integer in the 32-bit range.
std::optional<std::int32_t> Int32(const std::string& literal) {
  if (literal.find_first_of(".eE") != std::string::npos) return std::nullopt;
  std::int64_t number = 0;
  const auto [end, error] = std::from_chars(literal.data(), literal.data() + literal.size(), number);
  if (error != std::errc() || end != literal.data() + literal.size() ||
      number < std::numeric_limits<std::int32_t>::min() ||
      number > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(number);
}

bool ReadBool(JsonReader& reader, const std::string& member) {
  const Token token = reader.Next();
  if (token != Token::kTrue && token != Token::kFalse) reader.FailHere("expected true or false" + For(member));
  return token == Token::kTrue;
}

std::optional<std::string> ReadTime(JsonReader& reader, const std::string& member) {
  const Token token = reader.Next();
  if (token == Token::kNull) return std::nullopt;
  const auto time = token == Token::kString ? StoredTime(reader.text()) : std::nullopt;
  if (!time) {
    reader.FailHere("expected a time \"YYYY-MM-DDTHH:MM:SS\" or null" + For(member));
  }
  return time;
}

// A typed value's "value" member as read, checked once its type is known.
struct PendingValue {
  Token token = Token::kEnd;
  std::string text;
  Position position;
};

void CheckTypedValue(const JsonReader& reader, const std::string& path, const PendingValue& value,
                     PropertyRow& property) {
  auto fail = [&](const std::string& what) { reader.Fail(value.position, path, what + For("value")); };
  if (property.type == kText) {
    if (value.token != Token::kString) fail("expected a string");
    property.text = value.text;
  } else if (property.type == kInteger) {
    if (value.token != Token::kNumber) fail("expected an integer");
    const auto number = Int32(value.text);
    if (!number) fail("expected an integer from -2147483648 to 2147483647");
    property.number = *number;
  } else if (property.type == kBoolean) {
    if (value.token != Token::kTrue && value.token != Token::kFalse) fail("expected true or false");
    property.number = value.token == Token::kTrue ? 1 : 0;
  } else {
    const auto time = value.token == Token::kString ? StoredTime(value.text) : std::nullopt;
    if (!time) fail("expected a time \"YYYY-MM-DDTHH:MM:SS\"");
    property.text = *time;
  }
}

// Reads {"type": ..., "value": ...} after its opening brace.
void ReadTypedValue(JsonReader& reader, PropertyRow& property) {
  const Position start = reader.position();
  const std::string path = reader.Path();
  bool has_type = false;
  PendingValue value;
  while (reader.Next() == Token::kKey) {
    if (reader.text() == "type") {
      const std::string type = ReadString(reader, "type");
      if (type != kText && type != kInteger && type != kBoolean && type != kTime) {
        reader.FailHere("expected \"text\", \"integer\", \"boolean\" or \"time\"" + For("type"));
      }
      property.type = type;
      has_type = true;
    } else if (reader.text() == "value") {
      value.token = reader.Next();
      value.text = reader.text();
      value.position = reader.position();
      if (value.token == Token::kBeginObject || value.token == Token::kBeginArray) {
        reader.FailHere("expected a string, an integer or true or false" + For("value"));
      }
    } else {
      FailUnknownMember(reader);
    }
  }
  if (!has_type) reader.Fail(start, path, "missing member \"type\"");
  if (value.token == Token::kEnd) reader.Fail(start, path, "missing member \"value\"");
  CheckTypedValue(reader, path, value, property);
}

void ReadProperties(JsonReader& reader, std::vector<PropertyRow>& properties) {
  if (reader.Next() != Token::kBeginObject) reader.FailHere("expected an object" + For("properties"));
  while (reader.Next() == Token::kKey) {
    PropertyRow property;
    property.name = reader.text();
    const Token token = reader.Next();
    if (token == Token::kString) {
      property.text = reader.text();
    } else if (token == Token::kBeginObject) {
      ReadTypedValue(reader, property);
    } else {
      reader.FailHere("expected a string or an object with \"type\" and \"value\"" + For(property.name));
    }
    properties.push_back(std::move(property));
  }
}

std::string* TextMember(ItemRow& item, const std::string& name) {
  if (name == "message_class") return &item.message_class;
  if (name == "subject") return &item.subject;
  if (name == "body") return &item.body;
  if (name == "company_name") return &item.company_name;
  return nullptr;
}

bool* FlagMember(ItemRow& item, const std::string& name) {
  if (name == "sent") return &item.sent;
  if (name == "unread") return &item.unread;
  if (name == "submitted") return &item.submitted;
  return nullptr;
}

void ReadItemMember(JsonReader& reader, ItemRow& item, ItemPlace& place) {
  const std::string name = reader.text();
  if (std::string* text = TextMember(item, name)) {
    *text = ReadString(reader, name);
    place.has_message_class = place.has_message_class || name == "message_class";
  } else if (bool* flag = FlagMember(item, name)) {
    *flag = ReadBool(reader, name);
  } else if (name == "entry_id") {
    item.entry_id = ReadIdentifier(reader, name);
    place.entry_id = reader.position();
    place.has_entry_id = true;
  } else if (name == "time_sent" || name == "time_received") {
    (name == "time_sent" ? item.time_sent : item.time_received) = ReadTime(reader, name);
  } else if (name == "properties") {
    ReadProperties(reader, item.properties);
  } else {
    FailUnknownMember(reader);
  }
}

}  // namespace

void FailUnknownMember(const JsonReader& reader) {
  reader.FailHere("unknown member " + Quote(reader.text()));
}

std::string ReadString(JsonReader& reader, const std::string& member) {
  if (reader.Next() != Token::kString) reader.FailHere("expected a string" + For(member));
  return reader.text();
}

std::string ReadIdentifier(JsonReader& reader, const std::string& member) {
  if (reader.Next() != Token::kString || !IsUpperHex(reader.text())) {
    reader.FailHere("expected an identifier in upper-case hexadecimal (0-9, A-F)" + For(member));
  }
  return reader.text();
}

std::int32_t ReadInt32(JsonReader& reader, const std::string& member) {
  const Token token = reader.Next();
  const auto number = token == Token::kNumber ? Int32(reader.text()) : std::nullopt;
  if (!number) reader.FailHere("expected an integer from -2147483648 to 2147483647" + For(member));
  return *number;
}

void ReadItem(JsonReader& reader, ItemRow& item, ItemPlace& place) {
  item = ItemRow{};
  if (reader.token() != Token::kBeginObject) reader.Fail(reader.position(), reader.Path(), "expected an item object");
  place = ItemPlace{};
  place.path = reader.Path();
  place.start = place.entry_id = reader.position();
  while (reader.Next() == Token::kKey) ReadItemMember(reader, item, place);
}

}  // namespace storetool
