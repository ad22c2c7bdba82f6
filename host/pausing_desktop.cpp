#include "host/pausing_desktop.h"

#include "host/store/store_hosts.h"

namespace host {

MsgBoxResult PausingMessageBox::Show(const std::string& text, MsgBoxButtons buttons, MsgBoxIcon icon,
                                     const std::optional<std::string>& title) {
  store_.EndReads();
  return box_->Show(text, buttons, icon, title);
}

}  // namespace host
