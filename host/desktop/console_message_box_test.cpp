#include "host/desktop/console_message_box.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <sstream>
#include <string>

#include "host/testing/message_box_printer.h"

namespace desktop {
namespace {

using host::MsgBoxButtons;
using host::MsgBoxIcon;
using host::MsgBoxResult;

class ConsoleMessageBoxTest : public ::testing::Test {
 protected:
  MsgBoxResult Show(const std::string& text, MsgBoxButtons buttons,
                    const std::optional<std::string>& title = std::nullopt,
                    MsgBoxIcon icon = MsgBoxIcon::kNone) {
    return box_.Show(text, buttons, icon, title);
  }

  std::istringstream in_;
  std::ostringstream out_;
  ConsoleMessageBox box_{in_, out_};
};

TEST_F(ConsoleMessageBoxTest, OnlyYesOrYConfirms) {
  struct Case {
    std::string input;
    MsgBoxResult expected;
  };
  const Case cases[] = {
      {"y\n", MsgBoxResult::kYes},   {"yEs\n", MsgBoxResult::kYes},  {"Y\r\n", MsgBoxResult::kYes},
      {"y", MsgBoxResult::kYes},     {"", MsgBoxResult::kNo},         {"\n", MsgBoxResult::kNo},
      {"n\n", MsgBoxResult::kNo},    {" y\n", MsgBoxResult::kNo},     {"ye\n", MsgBoxResult::kNo},
      {"yess\n", MsgBoxResult::kNo}, {"y\r\r\n", MsgBoxResult::kNo}, {"ÿ\n", MsgBoxResult::kNo},
  };
  for (const Case& c : cases) {
    in_.clear();
    in_.str(c.input);
    EXPECT_EQ(Show("Delete?", MsgBoxButtons::kYesNo), c.expected)
        << "input " << ::testing::PrintToString(c.input);
  }
  // The question as the terminal shows it, the answer typed on its line.
  EXPECT_EQ(out_.str().find("== QuorviaUtilities ==\nDelete?\n[y/N] == QuorviaUtilities ==\nDelete?\n"), 0u);
}

}  // namespace
}  // namespace desktop
