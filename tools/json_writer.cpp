#include "tools/json_writer.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <ios>
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

// True for text that nlohmann-json writes between the quotes unchanged:
// printable ASCII without quotes or backslashes, most of what stores hold.
bool IsPlain(std::string_view text) {
  for (const char c : text) {
    if (c < 0x20 || c > 0x7E || c == '"' || c == '\\') return false;
  }
  return true;
}

}  // namespace

// Writes straight to the stream's buffer: the stream's own inserters check
// its state and locale on every call, which costs more than the bytes.
void JsonWriter::Put(std::string_view text) {
  if (text_ != nullptr) {
    text_->append(text);
  } else if (out_->rdbuf()->sputn(text.data(), static_cast<std::streamsize>(text.size())) !=
             static_cast<std::streamsize>(text.size())) {
    out_->setstate(std::ios::badbit);
  }
}

void JsonWriter::PutString(std::string_view text) {
  if (!IsPlain(text)) {
    const std::string quoted = Dump(text);
    BeforeValue();
    Put(quoted);
    return;
  }
  BeforeValue();
  Put("\"");
  Put(text);
  Put("\"");
}

void JsonWriter::NewLine(std::size_t depth) {
  line_.assign(1, '\n').append(2 * depth, ' ');
  Put(line_);
}

void JsonWriter::BeforeValue() {
  if (after_key_) {
    after_key_ = false;
    return;
  }
  if (counts_.empty()) return;
  if (counts_.back()++ > 0) Put(",");
  NewLine(counts_.size());
}

void JsonWriter::Open(char bracket) {
  BeforeValue();
  Put(std::string_view(&bracket, 1));
  counts_.push_back(0);
}

void JsonWriter::Close(char bracket) {
  const bool empty = counts_.back() == 0;
  counts_.pop_back();
  if (!empty) NewLine(counts_.size());
  Put(std::string_view(&bracket, 1));
  if (counts_.empty()) Put("\n");
}

void JsonWriter::Resume(std::size_t depth, std::size_t written) {
  counts_.assign(depth, 1);
  counts_.back() = written;
  after_key_ = false;
}

void JsonWriter::Key(std::string_view name) {
  PutString(name);
  Put(": ");
  after_key_ = true;
}

void JsonWriter::String(std::string_view text) {
  PutString(text);
}

void JsonWriter::Integer(std::int64_t number) {
  BeforeValue();
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  Put(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

void JsonWriter::Boolean(bool flag) {
  BeforeValue();
  Put(flag ? "true" : "false");
}

void JsonWriter::Null() {
  BeforeValue();
  Put("null");
}

}  // namespace storetool
