#pragma once

#include <memory>
#include <optional>
#include <string>

#include "host/message_box.h"

namespace store {
class StoreHosts;
}  // namespace store

namespace host {

// The desktop's event pump and message boxes, each of which first ends the
// store's shared read transaction: pumping events and asking a question are
// where the program waits, and no store snapshot may be held over a wait.
class PausingEventPump final : public EventPump {
 public:
  PausingEventPump(std::unique_ptr<EventPump> pump, store::StoreHosts& store)
      : pump_(std::move(pump)), store_(store) {}
  void DoEvents() override;

 private:
  std::unique_ptr<EventPump> pump_;
  store::StoreHosts& store_;
};

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
