#include "host/store/change_text.h"

#include <cstdio>

namespace store {
namespace {

using nlohmann::json;

bool NeedsEscape(char c) { return c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20; }

// The text as a JSON string; runs that need no escape are copied whole.
void AppendString(std::string& out, const std::string& text) {
  out += '"';
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!NeedsEscape(text[i])) continue;
    out.append(text, start, i - start);
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(text[i])));
    out += escaped;
    start = i + 1;
  }
  out.append(text, start, std::string::npos);
  out += '"';
}

void AppendValue(std::string& out, const json& value) {
  if (value.is_string()) {
    AppendString(out, value.get_ref<const std::string&>());
  } else if (value.is_number_integer()) {
    out += std::to_string(value.get<std::int64_t>());
  } else if (value.is_array()) {
    out += '[';
    for (std::size_t i = 0; i < value.size(); ++i) {
      if (i > 0) out += ',';
      AppendValue(out, value[i]);
    }
    out += ']';
  } else {
    out += value.dump();  // null, a real number, or a kept form of its own
  }
}

void AppendMember(std::string& out, const char* member, const std::vector<ChangedValue>& values,
                  json ChangedValue::*side) {
  if (values.empty()) return;
  if (out.size() > 1) out += ',';
  out += '"';
  out += member;
  out += "\":{";
  for (const ChangedValue& value : values) {
    if (&value != &values.front()) out += ',';
    AppendString(out, value.name);
    out += ':';
    AppendValue(out, value.*side);
  }
  out += '}';
}

}  // namespace

std::string ChangeText(const std::vector<ChangedValue>& columns, const std::vector<ChangedValue>& properties,
                       json ChangedValue::*side) {
  std::string text = "{";
  text.reserve(256);
  AppendMember(text, "columns", columns, side);
  AppendMember(text, "properties", properties, side);
  return text + '}';
}

}  // namespace store
