#pragma once

#include <iosfwd>

#include "host/item_windows.h"

namespace desktop {

// Items shown on a terminal. Display writes "== MESSAGECLASS ENTRYID ==" and
// the item's text, each CR LF or lone CR as a newline, to `out`. A new item
// (not stored yet) first reads its text from `in` to the end: line ends
// become CR LF, a final one is dropped, and the item is stored with it; text
// of only blanks and line ends stores nothing and fails. Before reading, it
// asks for the text on `prompt`, when there is one (standard input is a
// terminal): "Type the alert's text; end with Ctrl-D:".
class ConsoleItemWindows : public host::ItemWindows {
 public:
  // The streams must outlive the windows.
  ConsoleItemWindows(std::istream& in, std::ostream& out, std::ostream* prompt = nullptr);

  void Display(host::DisplayedItem& item) override;
  // A terminal has no windows: none is active, and minimizing fails.
  std::optional<std::uint64_t> ActiveWindow() override { return std::nullopt; }
  void Minimize(std::uint64_t window) override;

 private:
  std::istream& in_;
  std::ostream& out_;
  std::ostream* prompt_;
};

}  // namespace desktop
