#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "host/message_box.h"

namespace host::testing {

// A message box that records every box shown and answers from a script;
// with the script used up a Yes/No box answers No.
class ScriptedMessageBox : public MessageBox {
 public:
  struct Shown {
    std::string text;
    MsgBoxButtons buttons;
    MsgBoxIcon icon;
    std::optional<std::string> title;
  };

  void Answer(MsgBoxResult answer) { answers_.push_back(answer); }
  const std::vector<Shown>& shown() const { return shown_; }

  MsgBoxResult Show(const std::string& text, MsgBoxButtons buttons, MsgBoxIcon icon,
                    const std::optional<std::string>& title) override {
    shown_.push_back({text, buttons, icon, title});
    if (buttons == MsgBoxButtons::kOkOnly) return MsgBoxResult::kOk;
    if (answers_.empty()) return MsgBoxResult::kNo;
    const MsgBoxResult answer = answers_.front();
    answers_.pop_front();
    return answer;
  }

 private:
  std::deque<MsgBoxResult> answers_;
  std::vector<Shown> shown_;
};

// An event pump with nothing to run, for a platform under a recording one,
// whose own pump is the one the program calls.
class IdleEventPump : public EventPump {
 public:
  void DoEvents() override {}
};

}  // namespace host::testing
