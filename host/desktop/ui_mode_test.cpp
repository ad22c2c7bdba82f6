#include "host/desktop/ui_mode.h"

#include <gmock/gmock.h>

#include <stdexcept>
#include <string>
#include <tuple>

#include "host/desktop/environment_text.h"

namespace desktop {
namespace {

using testing::ShowEnv;

TEST(ChooseUiTest, FollowsTheChoiceOrTheDisplay) {
  // QUORVIA_UI, DISPLAY, WAYLAND_DISPLAY and the mode they choose.
  const std::tuple<const char*, const char*, const char*, UiMode> cases[] = {
      {nullptr, nullptr, nullptr, UiMode::kConsole},   {nullptr, ":0", nullptr, UiMode::kGui},
      {nullptr, nullptr, "wayland-0", UiMode::kGui},   {nullptr, ":0", "wayland-0", UiMode::kGui},
      {nullptr, "", "", UiMode::kConsole},             {nullptr, "", "wayland-0", UiMode::kGui},
      {nullptr, ":0", "", UiMode::kGui},               {"", nullptr, nullptr, UiMode::kConsole},
      {"", ":0", nullptr, UiMode::kGui},               {"", nullptr, "wayland-0", UiMode::kGui},
      {"gui", nullptr, nullptr, UiMode::kGui},         {"gui", "", "", UiMode::kGui},
      {"console", ":0", nullptr, UiMode::kConsole},    {"console", nullptr, "wayland-0", UiMode::kConsole},
      {"console", nullptr, nullptr, UiMode::kConsole},
  };
  for (const auto& [quorvia_ui, display, wayland_display, expected] : cases) {
    EXPECT_EQ(ChooseUi(quorvia_ui, display, wayland_display), expected)
        << "QUORVIA_UI=" << ShowEnv(quorvia_ui) << " DISPLAY=" << ShowEnv(display)
        << " WAYLAND_DISPLAY=" << ShowEnv(wayland_display);
  }
}

TEST(ChooseUiTest, RefusesAnUnknownChoiceByName) {
  const char* const choices[] = {"xyz", "GUI", "Console", " gui", "gui ", "0", "grafisch-ü"};
  for (const char* choice : choices) {
    EXPECT_THAT([&] { ChooseUi(choice, ":0", nullptr); },
                ::testing::ThrowsMessage<std::invalid_argument>("QUORVIA_UI must be \"gui\" or \"console\", not \"" +
                                                                std::string(choice) + "\""));
  }
}

}  // namespace
}  // namespace desktop
