#include "host/desktop/ui_mode.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "host/desktop/environment_text.h"

namespace desktop {
namespace {

using testing::ShowEnv;

TEST(ChooseUiTest, FollowsTheChoiceOrTheDisplay) {
  struct Case {
    const char* quorvia_ui;
    const char* display;
    const char* wayland_display;
    UiMode expected;
  };
  const Case cases[] = {
      {nullptr, nullptr, nullptr, UiMode::kConsole},
      {nullptr, ":0", nullptr, UiMode::kGui},
      {nullptr, nullptr, "wayland-0", UiMode::kGui},
      {nullptr, ":0", "wayland-0", UiMode::kGui},
      {nullptr, "", "", UiMode::kConsole},
      {nullptr, "", "wayland-0", UiMode::kGui},
      {nullptr, ":0", "", UiMode::kGui},
      {"", nullptr, nullptr, UiMode::kConsole},
      {"", ":0", nullptr, UiMode::kGui},
      {"", nullptr, "wayland-0", UiMode::kGui},
      {"gui", nullptr, nullptr, UiMode::kGui},
      {"gui", "", "", UiMode::kGui},
      {"console", ":0", nullptr, UiMode::kConsole},
      {"console", nullptr, "wayland-0", UiMode::kConsole},
      {"console", nullptr, nullptr, UiMode::kConsole},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseUi(c.quorvia_ui, c.display, c.wayland_display), c.expected)
        << "QUORVIA_UI=" << ShowEnv(c.quorvia_ui) << " DISPLAY=" << ShowEnv(c.display)
        << " WAYLAND_DISPLAY=" << ShowEnv(c.wayland_display);
  }
}

TEST(ChooseUiTest, RefusesAnUnknownChoiceByName) {
  const char* const choices[] = {"xyz", "GUI", "Console", " gui", "gui ", "0", "grafisch-ü"};
  for (const char* choice : choices) {
    try {
      ChooseUi(choice, ":0", nullptr);
      ADD_FAILURE() << "no error for QUORVIA_UI=" << ShowEnv(choice);
    } catch (const std::invalid_argument& error) {
      EXPECT_EQ(error.what(), "QUORVIA_UI must be \"gui\" or \"console\", not \"" +
                                  std::string(choice) + "\"")
          << "QUORVIA_UI=" << ShowEnv(choice);
    }
  }
}

}  // namespace
}  // namespace desktop
