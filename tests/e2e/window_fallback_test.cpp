#include <gtest/gtest.h>

#include <map>
#include <string>

#include "host/store/test_store.h"
#include "tests/e2e/child_process.h"

// Message boxes on a display that cannot be reached: an explicit gui ends
// with the reason, the default falls back to the terminal. Never Qt's abort.
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

}  // namespace
}  // namespace e2e
