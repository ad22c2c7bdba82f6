#include "host/store/property_values.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "host/error.h"

namespace store {
namespace {

[[noreturn]] void Mismatch(const host::Value& value, std::string_view to) {
  throw host::Error(host::kTypeMismatch,
                    "Type mismatch: \"" + host::ToText(value) + "\" is not " + std::string(to));
}

bool IsEmpty(const host::Value& value) {
  return std::holds_alternative<host::Empty>(value) || std::holds_alternative<host::Null>(value);
}

bool ParseInteger(std::string_view text, std::int32_t& number) {
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, number);
  return !text.empty() && result.ec == std::errc() && result.ptr == end;
}

host::Value ToInteger(const host::Value& value) {
  if (const auto* number = std::get_if<std::int32_t>(&value)) return *number;
  if (const auto* flag = std::get_if<bool>(&value)) return std::int32_t{*flag ? 1 : 0};
  if (const auto* real = std::get_if<double>(&value)) {
    const double rounded = std::nearbyint(*real);
    if (rounded >= std::numeric_limits<std::int32_t>::min() &&
        rounded <= std::numeric_limits<std::int32_t>::max()) {
      return static_cast<std::int32_t>(rounded);
    }
  }
  std::int32_t number = 0;
  if (const auto* text = std::get_if<std::string>(&value); text && ParseInteger(*text, number)) {
    return number;
  }
  Mismatch(value, "an integer");
}

host::Value ToBoolean(const host::Value& value) {
  if (const auto* flag = std::get_if<bool>(&value)) return *flag;
  if (const auto* number = std::get_if<std::int32_t>(&value)) return *number != 0;
  if (const auto* real = std::get_if<double>(&value)) return *real != 0;
  if (const auto* text = std::get_if<std::string>(&value)) {
    if (*text == "True" || *text == "true" || *text == "1") return true;
    if (*text == "False" || *text == "false" || *text == "0") return false;
  }
  Mismatch(value, "a Boolean");
}

host::Value ToTime(const host::Value& value) {
  if (const auto* time = std::get_if<host::LocalTime>(&value)) return *time;
  host::LocalTime time;
  if (const auto* text = std::get_if<std::string>(&value); text && host::ParseLocalTime(*text, time)) {
    return time;
  }
  Mismatch(value, "a date and time");
}

}  // namespace

const char* StoreName(PropertyType type) {
  switch (type) {
    case PropertyType::kText: return "text";
    case PropertyType::kInteger: return "integer";
    case PropertyType::kBoolean: return "boolean";
    case PropertyType::kTime: return "time";
  }
  return "text";
}

std::optional<PropertyType> FromStoreName(std::string_view name) {
  for (auto type : {PropertyType::kText, PropertyType::kInteger, PropertyType::kBoolean,
                    PropertyType::kTime}) {
    if (name == StoreName(type)) return type;
  }
  return std::nullopt;
}

PropertyType TypeOfUserProperty(int code) {
  switch (code) {
    case host::kOlText: return PropertyType::kText;
    case 3: case 20: return PropertyType::kInteger;  // olNumber, olInteger
    case 5: return PropertyType::kTime;              // olDateTime
    case 6: return PropertyType::kBoolean;           // olYesNo
    default:
      throw host::Error(kInvalidArgument, "user property type " + std::to_string(code) +
                                              " is not supported (1, 3, 5, 6 and 20 are)");
  }
}

PropertyType TypeOfFieldClass(int field_class) {
  switch (field_class) {
    case host::kClassText: return PropertyType::kText;
    case 2: case host::kClassInteger: return PropertyType::kInteger;
    case host::kClassBoolean: return PropertyType::kBoolean;
    case host::kClassTime: return PropertyType::kTime;
    default:
      throw host::Error(kInvalidArgument, "field class " + std::to_string(field_class) +
                                              " is not supported (2, 3, 7, 8 and 11 are)");
  }
}

host::Value InitialValue(PropertyType type) {
  return type == PropertyType::kText ? host::Value(std::string()) : host::Value(host::Empty{});
}

host::Value Convert(const host::Value& value, PropertyType type) {
  if (IsEmpty(value)) return InitialValue(type);
  switch (type) {
    case PropertyType::kText: return host::ToText(value);
    case PropertyType::kInteger: return ToInteger(value);
    case PropertyType::kBoolean: return ToBoolean(value);
    case PropertyType::kTime: return ToTime(value);
  }
  return value;
}

host::Value ReadStored(const Statement& statement, int column, PropertyType type) {
  if (type == PropertyType::kText) return statement.Text(column);
  if (statement.IsNull(column) || statement.Text(column).empty()) return host::Empty{};
  switch (type) {
    case PropertyType::kInteger: return static_cast<std::int32_t>(statement.Int(column));
    case PropertyType::kBoolean: return statement.Int(column) != 0;
    default: break;
  }
  host::LocalTime time;
  if (host::ParseLocalTime(statement.Text(column), time)) return time;
  return host::Empty{};
}

}  // namespace store
