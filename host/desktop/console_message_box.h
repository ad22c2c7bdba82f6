#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "host/message_box.h"

namespace desktop {

// Message boxes on a terminal. Show writes "== TITLE ==" and the text (each
// carriage return as a newline), one line each, to `out`. A Yes/No box then
// writes the prompt "[y/N] " and reads one line from `in`: "y" or "yes" in any
// letter case answers kYes; anything else, or the end of `in`, answers kNo.
class ConsoleMessageBox : public host::MessageBox {
 public:
  // Both streams must outlive the box.
  ConsoleMessageBox(std::istream& in, std::ostream& out);

  host::MsgBoxResult Show(const std::string& text, host::MsgBoxButtons buttons,
                          host::MsgBoxIcon icon,
                          const std::optional<std::string>& title) override;

 private:
  host::MsgBoxResult ReadAnswer();

  std::istream& in_;
  std::ostream& out_;
};

}  // namespace desktop
