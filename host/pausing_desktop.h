#pragma once

#include <memory>
#include <optional>
#include <string>

#include "host/message_box.h"

namespace store {
class StoreHosts;
}  // namespace store

namespace host {

// A desktop message box that first ends the store's shared read
// transaction: asking a question is where the program waits for its user,
// and no store snapshot may be held over such a wait. (Pumping events
// handles what is pending and returns: no wait.)
class PausingMessageBox final : public MessageBox {
 public:
  PausingMessageBox(std::unique_ptr<MessageBox> box, store::StoreHosts& store)
      : box_(std::move(box)), store_(store) {}
  MsgBoxResult Show(const std::string& text, MsgBoxButtons buttons, MsgBoxIcon icon,
                    const std::optional<std::string>& title) override;

 private:
  std::unique_ptr<MessageBox> box_;
  store::StoreHosts& store_;
};

}  // namespace host
