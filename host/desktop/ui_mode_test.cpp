#include "host/desktop/ui_mode.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "host/desktop/environment_text.h"
#include "host/desktop/fake_gui_module.h"
#include "host/desktop/gui_module_loader.h"

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

// How the GUI module of a StartUi case behaves.
enum class Module { kWorks, kNoWindow, kUnavailable };

TEST(StartUiTest, LoadsTheModuleOnlyForGuiAndFallsBackOrFailsAsTheChoiceSays) {
  struct Case {
    const char* quorvia_ui;
    const char* display;
    Module module;
    bool loaded;            // whether the module is asked for at all
    bool gui;               // whether the run gets the module
    std::string no_window;  // NoWindow's text, when it is thrown
    std::string fallback;   // why a default gui uses the terminal
  };
  const std::string hint = " (set QUORVIA_UI=console to use the terminal)";
  const Case cases[] = {
      {"console", ":0", Module::kWorks, false, false, "", ""},
      {nullptr, nullptr, Module::kWorks, false, false, "", ""},
      {"", "", Module::kWorks, false, false, "", ""},
      {nullptr, ":0", Module::kWorks, true, true, "", ""},
      {"gui", nullptr, Module::kWorks, true, true, "", ""},
      {nullptr, ":0", Module::kNoWindow, true, false, "", "cannot open the X display \":0\""},
      {nullptr, ":0", Module::kUnavailable, true, false, "", "cannot load the GUI module: /x/libquorvia-gui.so: gone"},
      {"gui", ":0", Module::kNoWindow, true, false, "cannot open a window: cannot open the X display \":0\"" + hint, ""},
      {"gui", ":0", Module::kUnavailable, true, false,
       "cannot open a window: cannot load the GUI module: /x/libquorvia-gui.so: gone" + hint, ""},
  };
  for (const Case& c : cases) {
    const std::string shown = "QUORVIA_UI=" + ShowEnv(c.quorvia_ui) + " DISPLAY=" + ShowEnv(c.display) +
                              " module " + std::to_string(static_cast<int>(c.module));
    testing::FakeGuiModule module;
    if (c.module == Module::kNoWindow) module.prepare_failure = "cannot open the X display \":0\"";
    int loads = 0;
    const auto load = [&]() -> GuiModule& {
      ++loads;
      if (c.module == Module::kUnavailable) {
        throw GuiModuleUnavailable("cannot load the GUI module: /x/libquorvia-gui.so: gone");
      }
      return module;
    };
    try {
      const StartedUi started = StartUi(c.quorvia_ui, c.display, nullptr, load);
      EXPECT_EQ(started.module, c.gui ? &module : nullptr) << shown;
      EXPECT_EQ(started.fallback, c.fallback) << shown;
      EXPECT_EQ(c.no_window, "") << shown << ": no NoWindow";
    } catch (const NoWindow& error) {
      EXPECT_EQ(error.what(), c.no_window) << shown;
    }
    EXPECT_EQ(loads, c.loaded ? 1 : 0) << shown;
    EXPECT_EQ(module.prepared, c.loaded && c.module != Module::kUnavailable ? 1 : 0) << shown;
  }
}

}  // namespace
}  // namespace desktop
