#pragma once

#include <optional>
#include <string>

#include "host/message_box.h"

namespace desktop {

// Message boxes as modal Qt dialogs (QMessageBox), making the QApplication
// on first use. The text shows as plain text, each carriage return as a line
// break. A Yes/No box defaults to No, and closing it or pressing Escape
// answers kNo.
class QtMessageBox : public host::MessageBox {
 public:
  host::MsgBoxResult Show(const std::string& text, host::MsgBoxButtons buttons,
                          host::MsgBoxIcon icon,
                          const std::optional<std::string>& title) override;
};

}  // namespace desktop
