#include "tools/json_writer.h"

namespace storetool {

std::string Quote(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string quoted = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"': quoted += "\\\""; break;
      case '\\': quoted += "\\\\"; break;
      case '\b': quoted += "\\b"; break;
      case '\f': quoted += "\\f"; break;
      case '\n': quoted += "\\n"; break;
      case '\r': quoted += "\\r"; break;
      case '\t': quoted += "\\t"; break;
      default:
        if (byte < 0x20) {
          quoted += "\\u00";
          quoted += kHex[byte >> 4];
          quoted += kHex[byte & 0xF];
        } else {
          quoted += c;
        }
    }
  }
  return quoted + "\"";
}

void JsonWriter::NewLine(std::size_t depth) {
  out_ << '\n';
  for (std::size_t i = 0; i < depth; ++i) out_ << "  ";
}

void JsonWriter::BeforeValue() {
  if (after_key_) {
    after_key_ = false;
    return;
  }
  if (counts_.empty()) return;
  if (counts_.back()++ > 0) out_ << ',';
  NewLine(counts_.size());
}

void JsonWriter::Open(char bracket) {
  BeforeValue();
  out_ << bracket;
  counts_.push_back(0);
}

void JsonWriter::Close(char bracket) {
  const bool empty = counts_.back() == 0;
  counts_.pop_back();
  if (!empty) NewLine(counts_.size());
  out_ << bracket;
  if (counts_.empty()) out_ << '\n';
}

void JsonWriter::Key(std::string_view name) {
  BeforeValue();
  out_ << Quote(name) << ": ";
  after_key_ = true;
}

void JsonWriter::String(std::string_view text) {
  BeforeValue();
  out_ << Quote(text);
}

void JsonWriter::Integer(std::int64_t number) {
  BeforeValue();
  out_ << number;
}

void JsonWriter::Boolean(bool flag) {
  BeforeValue();
  out_ << (flag ? "true" : "false");
}

void JsonWriter::Null() {
  BeforeValue();
  out_ << "null";
}

}  // namespace storetool
