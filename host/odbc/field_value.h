#pragma once

#include <optional>
#include <string>

#include "host/ado.h"
#include "host/value.h"

namespace odbc {

// The typed value of a field of `type` from its text (nothing for null):
// integers as 32-bit numbers when they fit, else as doubles; decimals and
// reals as doubles ("-12", "3.25", "1e3"); dates ("YYYY-MM-DD") and
// timestamps ("YYYY-MM-DD HH:MM:SS", a "T" or fractional seconds allowed) as
// local times; Booleans from "1", "0", "true", "false" or any number; text
// as text; null as host::Null. A text that its type cannot read stays text,
// so no value is lost.
host::Value FieldValue(host::ado::ColumnType type, const std::optional<std::string>& text);

}  // namespace odbc
