#pragma once

#include "host/message_box.h"

namespace desktop {

// The event pump of a run on the terminal: it has no windows, so no events
// ever wait, and DoEvents does nothing.
class ConsoleEventPump : public host::EventPump {
 public:
  void DoEvents() override {}
};

}  // namespace desktop
