#include "tools/json_writer.h"

#include <nlohmann/json.hpp>
#include <string>

namespace storetool {
namespace {

std::string Dump(std::string_view text) {
  try {
    return nlohmann::json(std::string(text)).dump();
  } catch (const nlohmann::json::type_error& error) {
    // The library's message names the byte: "[json.exception.type_error.316] invalid UTF-8 byte at ...".
    const std::string detail = error.what();
    throw InvalidText("not valid UTF-8 (" + detail.substr(detail.find("] ") + 2) + ")");
  }
}

}  // namespace

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
  const std::string quoted = Dump(name);
  BeforeValue();
  out_ << quoted << ": ";
  after_key_ = true;
}

void JsonWriter::String(std::string_view text) {
  const std::string quoted = Dump(text);
  BeforeValue();
  out_ << quoted;
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
