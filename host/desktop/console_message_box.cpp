#include "host/desktop/console_message_box.h"

#include <algorithm>
#include <istream>
#include <ostream>

namespace desktop {
namespace {

// Only ASCII letters are folded: the accepted answers are ASCII.
std::string AsciiLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace

ConsoleMessageBox::ConsoleMessageBox(std::istream& in, std::ostream& out) : in_(in), out_(out) {}

host::MsgBoxResult ConsoleMessageBox::Show(const std::string& text, host::MsgBoxButtons buttons,
                                           host::MsgBoxIcon /*icon*/,
                                           const std::optional<std::string>& title) {
  std::string shown = text;
  std::replace(shown.begin(), shown.end(), '\r', '\n');
  out_ << "== " << title.value_or(host::kApplicationTitle) << " ==\n" << shown << '\n';
  if (buttons == host::MsgBoxButtons::kOkOnly) {
    out_.flush();
    return host::MsgBoxResult::kOk;
  }
  out_ << "[y/N] ";
  out_.flush();
  return ReadAnswer();
}

host::MsgBoxResult ConsoleMessageBox::ReadAnswer() {
  std::string line;
  if (!std::getline(in_, line)) return host::MsgBoxResult::kNo;
  // An answer typed on Windows or sent through a terminal in raw mode ends in "\r".
  if (!line.empty() && line.back() == '\r') line.pop_back();
  const std::string answer = AsciiLower(line);
  return answer == "y" || answer == "yes" ? host::MsgBoxResult::kYes : host::MsgBoxResult::kNo;
}

}  // namespace desktop
