#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "host/store/database.h"
#include "host/value.h"

namespace store {

// Error number of a bad argument, such as an unknown property type.
inline constexpr long kInvalidArgument = 5;

// The kinds of value a named property (a user property, a CDO field) holds.
enum class PropertyType { kText, kInteger, kBoolean, kTime };

// The name the store file uses for a type ("text", "integer", ...), and back;
// FromStoreName yields nullopt for any other name.
const char* StoreName(PropertyType type);
std::optional<PropertyType> FromStoreName(std::string_view name);

// The type of a user property by the mail client's code: 1 text, 3 number,
// 5 date and time, 6 yes/no, 20 integer. Throws host::Error
// (kInvalidArgument) for any other code.
PropertyType TypeOfUserProperty(int code);

// The type of a CDO field by its class: 8 text, 2 and 3 integers, 11
// Boolean, 7 time. Throws host::Error (kInvalidArgument) for any other class.
PropertyType TypeOfFieldClass(int field_class);

// The value a new property of that type holds: "" for text, Empty otherwise.
host::Value InitialValue(PropertyType type);

// `value` in the form a property of that type holds: text for kText, a
// 32-bit integer, a Boolean or a time; Empty and Null stay Empty (text:
// ""). Throws host::Error (host::kTypeMismatch) when it does not convert.
host::Value Convert(const host::Value& value, PropertyType type);

// Reads a stored value of that type from a column (as Statement::BindValue
// stored it): text as it is; an integer, Boolean or time, or Empty where
// the column holds "" or NULL.
host::Value ReadStored(const Statement& statement, int column, PropertyType type);

}  // namespace store
