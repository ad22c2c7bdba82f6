#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <variant>

namespace host {

// A value that has never been set ("Empty").
struct Empty {
  friend bool operator==(Empty, Empty) { return true; }
};

// A database null.
struct Null {
  friend bool operator==(Null, Null) { return true; }
};

// A local date and time to the second, as the mail client keeps item times.
using LocalTime = std::chrono::local_seconds;

// The value of a property, a message field or a database field.
using Value = std::variant<Empty, Null, std::string, std::int32_t, bool, double, LocalTime>;

// The value as text, the way it reads when joined into a text: empty and null
// give "", a Boolean "True" or "False", numbers in decimal, a time as
// "YYYY-MM-DD HH:MM:SS".
std::string ToText(const Value& value);

// Parses "YYYY-MM-DD HH:MM:SS" (or with a "T" between date and time), every
// field with exactly its digits. Returns false, leaving `time` alone, when
// the text is not such a valid date and time.
bool ParseLocalTime(const std::string& text, LocalTime& time);

// Property and field types by the codes the object models use: a user
// property's type (Outlook) and a field's class (CDO).
inline constexpr int kOlText = 1;
inline constexpr int kClassInteger = 3;
inline constexpr int kClassTime = 7;
inline constexpr int kClassText = 8;
inline constexpr int kClassBoolean = 11;

}  // namespace host
