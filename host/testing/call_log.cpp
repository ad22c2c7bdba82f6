#include "host/testing/call_log.h"

#include "host/error.h"

namespace host::testing {

std::string CallLog::Format(const host::Value& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return Format(*text);
  if (std::holds_alternative<host::Empty>(value)) return "Empty";
  if (std::holds_alternative<host::Null>(value)) return "Null";
  return host::ToText(value);
}

std::string CallLog::Unrecorded(const std::function<std::string()>& read) {
  muted_ = true;
  try {
    std::string text = read();
    muted_ = false;
    return text;
  } catch (...) {
    muted_ = false;
    throw;
  }
}

void CallLog::Add(const std::string& member, const std::string& line) {
  if (muted_) return;
  calls_.push_back(line);
  if (failing_.count(member) != 0) throw Error(5, member + " failed (fault injected by the test)");
}

}  // namespace host::testing
