#include "host/desktop/console_item_windows.h"

#include <istream>
#include <iterator>
#include <ostream>
#include <string>

#include "host/error.h"

namespace desktop {
namespace {

// The text as typed on a terminal, with the stored line ends (CR LF) and
// without the line end that closes the last line.
std::string StoredText(const std::string& typed) {
  std::string text;
  for (std::size_t i = 0; i < typed.size(); ++i) {
    const char c = typed[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < typed.size() && typed[i + 1] == '\n') ++i;
      text += "\r\n";
    } else {
      text += c;
    }
  }
  if (text.ends_with("\r\n")) text.resize(text.size() - 2);
  return text;
}

bool OnlyBlanks(const std::string& text) {
  return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

// The stored text with each CR LF or lone CR as a newline.
std::string TerminalText(const std::string& body) {
  std::string text;
  for (std::size_t i = 0; i < body.size(); ++i) {
    if (body[i] != '\r') {
      text += body[i];
      continue;
    }
    text += '\n';
    if (i + 1 < body.size() && body[i + 1] == '\n') ++i;
  }
  return text;
}

}  // namespace

ConsoleItemWindows::ConsoleItemWindows(std::istream& in, std::ostream& out, std::ostream* prompt)
    : in_(in), out_(out), prompt_(prompt) {}

void ConsoleItemWindows::Display(host::DisplayedItem& item) {
  if (item.EntryID().empty()) {
    if (prompt_ != nullptr) *prompt_ << "Type the alert's text; end with Ctrl-D:" << std::endl;
    const std::string typed{std::istreambuf_iterator<char>(in_), std::istreambuf_iterator<char>()};
    const std::string text = StoredText(typed);
    if (OnlyBlanks(text)) {
      throw host::Error(host::kNotSupported, "the new " + item.MessageClass() +
                                                 " was given no text on standard input, so it was not stored");
    }
    item.StoreBody(text);
  }
  std::string shown = "== " + item.MessageClass();
  shown += ' ';
  shown += item.EntryID();
  shown += " ==\n";
  shown += TerminalText(item.Body());
  if (!shown.ends_with('\n')) shown += '\n';
  out_ << shown << std::flush;
}

void ConsoleItemWindows::Minimize(std::uint64_t /*window*/) {
  throw host::Error(host::kNotSupported, "there are no item windows on a terminal");
}

}  // namespace desktop
