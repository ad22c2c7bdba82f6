#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "host/store/test_store.h"
#include "tests/e2e/child_process.h"

// Message boxes on a display that cannot be reached, or without the GUI
// module: an explicit gui ends with the reason, the default falls back to the
// terminal. Never Qt's abort.
namespace e2e {
namespace {

TEST(WindowFallbackTest, ExplicitGuiEndsWithTheReasonAndTheDefaultUsesTheTerminal) {
  store::testing::TempDir dir;
  struct Case {
    std::string quorvia_ui;
    std::string expected_err;
  };
  const Case cases[] = {
      {"gui",
       "quorvia-utilities: cannot open a window: cannot open the X display \":97\" "
       "(set QUORVIA_UI=console to use the terminal)\n"},
      {"", "== QuorviaUtilities ==\n"},
  };
  for (const Case& c : cases) {
    const ProcessResult result =
        e2e::Run(BuiltProgram("quorvia-utilities"), {""},
            {{"QUORVIA_UI", c.quorvia_ui}, {"DISPLAY", ":97"}, {"WAYLAND_DISPLAY", ""},
             {"QT_QPA_PLATFORM", ""}, {"QUORVIA_STORE", dir.File("crm.db")}});
    EXPECT_EQ(result.status, 2) << "QUORVIA_UI=\"" << c.quorvia_ui << "\"";
    EXPECT_TRUE(result.err.starts_with(c.expected_err))
        << "QUORVIA_UI=\"" << c.quorvia_ui << "\"; standard error:\n" << result.err;
  }
}

TEST(WindowFallbackTest, WithoutTheGuiModuleAnExplicitGuiEndsWithTheLoadersReason) {
  store::testing::TempDir dir;
  // The program alone in a folder: no libquorvia-gui.so beside it.
  const std::string program = dir.File("quorvia-utilities");
  std::filesystem::copy_file(BuiltProgram("quorvia-utilities"), program);
  struct Case {
    std::string quorvia_ui;
    std::string expected_err;
  };
  const Case cases[] = {
      {"gui",
       "quorvia-utilities: cannot open a window: cannot load the GUI module: " + dir.File("libquorvia-gui.so") +
           ": cannot open shared object file: No such file or directory "
           "(set QUORVIA_UI=console to use the terminal)\n"},
      {"", "== QuorviaUtilities ==\n"},
  };
  for (const Case& c : cases) {
    const ProcessResult result =
        e2e::Run(program, {""},
                 {{"QUORVIA_UI", c.quorvia_ui}, {"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "offscreen"},
                  {"QUORVIA_STORE", dir.File("crm.db")}, {"QUORVIA_LOG", "0"}});
    EXPECT_EQ(result.status, 2) << "QUORVIA_UI=\"" << c.quorvia_ui << "\"";
    EXPECT_TRUE(result.err.starts_with(c.expected_err))
        << "QUORVIA_UI=\"" << c.quorvia_ui << "\"; standard error:\n" << result.err;
  }
}

}  // namespace
}  // namespace e2e
