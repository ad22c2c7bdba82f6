#pragma once

#include <functional>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "host/value.h"

namespace host::testing {

// What a test host was asked, one line per call in the order made, such as
// `Session.Logon("", "", false, false, 0)`; and which members must fail.
class CallLog {
 public:
  // Records the call of `member` ("Session.Logon") with its arguments, then
  // throws host::Error when the member was set to fail.
  template <class... Args>
  void Enter(const std::string& member, const Args&... args) {
    std::ostringstream line;
    line << member << '(';
    [[maybe_unused]] const char* separator = "";
    ((line << separator << Format(args), separator = ", "), ...);
    line << ')';
    Add(member, line.str());
  }

  // Records an event that is not a call, such as a release.
  void Note(const std::string& line) { calls_.push_back(line); }

  // Runs `read` without recording or failing the calls it makes: for the
  // recorders' own reads, such as a folder's name to label a call with.
  std::string Unrecorded(const std::function<std::string()>& read);

  // Makes every later call of `member` fail with error 5.
  void FailCall(const std::string& member) { failing_.insert(member); }

  const std::vector<std::string>& calls() const { return calls_; }

 private:
  static std::string Format(const std::string& text) { return '"' + text + '"'; }
  static std::string Format(const char* text) { return Format(std::string(text)); }
  static std::string Format(bool flag) { return flag ? "true" : "false"; }
  static std::string Format(const std::optional<std::string>& text) {
    return text ? Format(*text) : "missing";
  }
  static std::string Format(const std::vector<std::optional<std::string>>& values) {
    std::string list = "[";
    for (const auto& value : values) list += (list.size() > 1 ? ", " : "") + Format(value);
    return list + "]";
  }
  static std::string Format(const host::Value& value);
  static std::string Format(host::LocalTime time) { return host::ToText(time); }
  template <class Number>
  static std::string Format(Number number) {
    return std::to_string(number);
  }

  void Add(const std::string& member, const std::string& line);

  std::vector<std::string> calls_;
  std::set<std::string> failing_;
  bool muted_ = false;
};

}  // namespace host::testing
