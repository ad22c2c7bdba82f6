#pragma once

#include "host/message_box.h"

namespace desktop {

// Handles the Qt events waiting in this thread. Without a QCoreApplication
// there are none, and DoEvents does nothing (it makes no application).
class QtEventPump : public host::EventPump {
 public:
  void DoEvents() override;
};

}  // namespace desktop
