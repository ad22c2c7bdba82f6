#pragma once

#include <optional>
#include <string>

namespace host {

// The title a message box shows when the caller gives none.
inline constexpr char kApplicationTitle[] = "QuorviaUtilities";

enum class MsgBoxButtons { kOkOnly, kYesNo };
enum class MsgBoxIcon { kNone, kCritical };
enum class MsgBoxResult { kOk, kYes, kNo };

// A modal message box. The text is shown as given; a carriage return in it
// starts a new line.
class MessageBox {
 public:
  virtual ~MessageBox() = default;
  // Shows the box and waits for the answer. Without a title the application's
  // title (kApplicationTitle) shows. An OK-only box answers kOk.
  virtual MsgBoxResult Show(const std::string& text, MsgBoxButtons buttons, MsgBoxIcon icon,
                            const std::optional<std::string>& title) = 0;
};

// Lets the windows of the process handle the messages that are waiting.
class EventPump {
 public:
  virtual ~EventPump() = default;
  virtual void DoEvents() = 0;
};

}  // namespace host
