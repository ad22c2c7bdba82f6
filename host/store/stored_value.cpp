#include "host/store/stored_value.h"

namespace store {

std::variant<std::int64_t, std::string> StoredForm(const host::Value& value) {
  if (const auto* number = std::get_if<std::int32_t>(&value)) return std::int64_t{*number};
  if (const auto* flag = std::get_if<bool>(&value)) return std::int64_t{*flag ? 1 : 0};
  if (std::holds_alternative<host::Empty>(value) || std::holds_alternative<host::Null>(value)) {
    return std::string();
  }
  return host::ToText(value);
}

}  // namespace store
