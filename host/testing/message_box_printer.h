#pragma once

#include <ostream>

#include "host/message_box.h"

namespace host {

// Names a message-box answer in test failure messages.
inline void PrintTo(MsgBoxResult result, std::ostream* out) {
  switch (result) {
    case MsgBoxResult::kOk: *out << "kOk"; return;
    case MsgBoxResult::kYes: *out << "kYes"; return;
    case MsgBoxResult::kNo: *out << "kNo"; return;
  }
}

}  // namespace host
