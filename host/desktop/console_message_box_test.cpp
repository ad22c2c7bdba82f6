#include "host/desktop/console_message_box.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <utility>

#include "host/testing/message_box_printer.h"

namespace desktop {
namespace {

using host::MsgBoxButtons;
using host::MsgBoxIcon;
using host::MsgBoxResult;

TEST(ConsoleMessageBoxTest, OnlyYesOrYConfirms) {
  std::istringstream in;
  std::ostringstream out;
  ConsoleMessageBox box(in, out);
  const std::pair<std::string, MsgBoxResult> cases[] = {
      {"y\n", MsgBoxResult::kYes},   {"yEs\n", MsgBoxResult::kYes},  {"Y\r\n", MsgBoxResult::kYes},
      {"y", MsgBoxResult::kYes},     {"", MsgBoxResult::kNo},         {"\n", MsgBoxResult::kNo},
      {"n\n", MsgBoxResult::kNo},    {" y\n", MsgBoxResult::kNo},     {"ye\n", MsgBoxResult::kNo},
      {"yess\n", MsgBoxResult::kNo}, {"y\r\r\n", MsgBoxResult::kNo}, {"ÿ\n", MsgBoxResult::kNo},
  };
  for (const auto& [input, expected] : cases) {
    in.clear();
    in.str(input);
    EXPECT_EQ(box.Show("Delete?", MsgBoxButtons::kYesNo, MsgBoxIcon::kNone, std::nullopt), expected)
        << "input " << ::testing::PrintToString(input);
  }
  // The question as the terminal shows it, the answer typed on its line.
  EXPECT_EQ(out.str().find("== QuorviaUtilities ==\nDelete?\n[y/N] == QuorviaUtilities ==\nDelete?\n"), 0u);
}

}  // namespace
}  // namespace desktop
