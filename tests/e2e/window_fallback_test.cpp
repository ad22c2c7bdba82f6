#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "host/desktop/display_variable.h"
#include "host/store/test_store.h"
#include "tests/e2e/child_process.h"

// Message boxes on a display that cannot be reached, or without the GUI
// module: an explicit gui ends with the reason, the default falls back to the
// terminal. Never Qt's abort.
namespace e2e {
namespace {

// Each case: the explicit gui's whole reason, then the default's terminal
// fallback, which names why in the run's reason.
struct FallbackCase {
  std::string quorvia_ui;
  std::string expected_err;   // how standard error starts
  std::string expected_note;  // a line it holds; "" for none
};

void ExpectFallbacks(const std::string& program, const std::vector<FallbackCase>& cases,
                     const std::map<std::string, std::string>& environment) {
  for (const FallbackCase& c : cases) {
    std::map<std::string, std::string> env = environment;
    env["QUORVIA_UI"] = c.quorvia_ui;
    const ProcessResult result = e2e::Run(program, {""}, env);
    EXPECT_EQ(result.status, 2) << "QUORVIA_UI=\"" << c.quorvia_ui << "\"";
    EXPECT_TRUE(result.err.starts_with(c.expected_err))
        << "QUORVIA_UI=\"" << c.quorvia_ui << "\"; standard error:\n" << result.err;
    EXPECT_NE(result.err.find(c.expected_note), std::string::npos)
        << "QUORVIA_UI=\"" << c.quorvia_ui << "\"; standard error:\n" << result.err;
  }
}

TEST(WindowFallbackTest, ExplicitGuiEndsWithTheReasonAndTheDefaultUsesTheTerminal) {
  store::testing::TempDir dir;
  const std::string display = desktop::testing::FreeDisplay();
  const std::string no_display = "cannot open the X display \"" + display + "\"";
  ExpectFallbacks(BuiltProgram("quorvia-utilities"),
                  {{"gui",
                    "quorvia-utilities: cannot open a window: " + no_display +
                        " (set QUORVIA_UI=console to use the terminal)\n",
                    ""},
                   {"", "== QuorviaUtilities ==\n", "so the terminal was used: " + no_display + ")\n"}},
                  {{"DISPLAY", display}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""},
                   {"QUORVIA_STORE", dir.File("crm.db")}, {"QUORVIA_LOG", "0"}});
}

TEST(WindowFallbackTest, WithoutTheGuiModuleAnExplicitGuiEndsWithTheLoadersReason) {
  store::testing::TempDir dir;
  // The program alone in a folder: no libquorvia-gui.so beside it nor in
  // ../lib/quorvia/, the last place it looks.
  const std::string program = dir.File("bin/quorvia-utilities");
  std::filesystem::create_directory(dir.File("bin"));
  std::filesystem::copy_file(BuiltProgram("quorvia-utilities"), program);
  const std::string unavailable = "cannot load the GUI module: " + dir.File("lib/quorvia/libquorvia-gui.so") +
                                  ": cannot open shared object file: No such file or directory";
  ExpectFallbacks(program,
                  {{"gui",
                    "quorvia-utilities: cannot open a window: " + unavailable +
                        " (set QUORVIA_UI=console to use the terminal)\n",
                    ""},
                   {"", "== QuorviaUtilities ==\n", "so the terminal was used: " + unavailable + ")\n"}},
                  {{"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "offscreen"}, {"QUORVIA_STORE", dir.File("crm.db")},
                   {"QUORVIA_LOG", "0"}});
}

}  // namespace
}  // namespace e2e
