#include "host/store/change_text.h"

#include <array>

#include "host/utf8.h"

namespace store {
namespace {

enum class Byte : unsigned char { kPlain, kEscaped, kBeyondAscii };

// What each byte is to a JSON string.
constexpr std::array<Byte, 256> kBytes = [] {
  std::array<Byte, 256> bytes{};
  for (int c = 0; c < 0x20; ++c) bytes[c] = Byte::kEscaped;
  bytes['"'] = bytes['\\'] = Byte::kEscaped;
  for (int c = 0x80; c < 0x100; ++c) bytes[c] = Byte::kBeyondAscii;
  return bytes;
}();

void AppendEscape(std::string& out, unsigned char c) {
  switch (c) {
    case '"': out += "\\\""; return;
    case '\\': out += "\\\\"; return;
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    case '\t': out += "\\t"; return;
    default:
      static constexpr char kHex[] = "0123456789abcdef";
      const char escape[] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 0xF]};
      out.append(escape, sizeof escape);
  }
}

// Runs that need no escape are copied whole. With `utf8_only`, text that
// is not UTF-8 appends nothing and yields false; it is checked from its
// first byte beyond ASCII, so ASCII text is read once.
bool AppendString(std::string& out, std::string_view text, bool utf8_only) {
  const std::size_t size = out.size();
  out += '"';
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (kBytes[c] == Byte::kPlain) continue;
    if (kBytes[c] == Byte::kBeyondAscii) {
      if (utf8_only && host::FirstInvalidUtf8(text.substr(i))) {
        out.resize(size);
        return false;
      }
      utf8_only = false;
      continue;
    }
    out.append(text.substr(start, i - start));
    AppendEscape(out, c);
    start = i + 1;
  }
  out.append(text.substr(start));
  out += '"';
  return true;
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view text) { AppendString(out, text, false); }

bool AppendUtf8JsonString(std::string& out, std::string_view text) { return AppendString(out, text, true); }

namespace {

void AppendMember(std::string& out, const char* member, const std::vector<ChangedValue>& values,
                  std::string ChangedValue::*side) {
  if (values.empty()) return;
  if (out.size() > 1) out += ',';
  out += '"';
  out += member;
  out += "\":{";
  for (const ChangedValue& value : values) {
    if (&value != &values.front()) out += ',';
    AppendJsonString(out, value.name);
    out += ':';
    out += value.*side;
  }
  out += '}';
}

}  // namespace

std::string ChangeText(const std::vector<ChangedValue>& columns, const std::vector<ChangedValue>& properties,
                       std::string ChangedValue::*side) {
  std::string text = "{";
  text.reserve(256);
  AppendMember(text, "columns", columns, side);
  AppendMember(text, "properties", properties, side);
  text += '}';
  return text;
}

}  // namespace store
