#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "host/value.h"

namespace store {

// A property value in the form the store keeps it: text and times as text,
// numbers and Booleans (0 or 1) as integers, empty and null as "".
std::variant<std::int64_t, std::string> StoredForm(const host::Value& value);

}  // namespace store
