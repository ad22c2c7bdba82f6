#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "host/desktop/display_variable.h"
#include "host/store/test_store.h"
#include "tests/e2e/child_process.h"

// Message boxes on a display that cannot be reached, or without the GUI
// module: an explicit gui ends with the reason, the default falls back to the
// terminal. Never Qt's abort.
namespace e2e {
namespace {

// An explicit gui ends with the whole `reason`; the default falls back to
// the terminal, and the run's reason says why.
void ExpectFallbacks(const std::string& program, const std::string& reason, std::map<std::string, std::string> env) {
  for (const std::string ui : {"gui", ""}) {
    env["QUORVIA_UI"] = ui;
    const ProcessResult result = e2e::Run(program, {""}, env);
    EXPECT_EQ(result.status, 2) << "QUORVIA_UI=\"" << ui << "\"";
    const std::string start = ui.empty() ? "== QuorviaUtilities ==\n"
                                         : "quorvia-utilities: cannot open a window: " + reason +
                                               " (set QUORVIA_UI=console to use the terminal)\n";
    EXPECT_TRUE(result.err.starts_with(start)) << "QUORVIA_UI=\"" << ui << "\"; standard error:\n" << result.err;
    if (ui.empty()) {
      EXPECT_NE(result.err.find("so the terminal was used: " + reason + ")\n"), std::string::npos) << result.err;
    }
  }
}

// On a display that cannot be reached, or without the GUI module.
TEST(WindowFallbackTest, ExplicitGuiEndsWithTheReasonAndTheDefaultUsesTheTerminal) {
  store::testing::TempDir dir;
  const std::string display = desktop::testing::FreeDisplay();
  ExpectFallbacks(BuiltProgram("quorvia-utilities"), "cannot open the X display \"" + display + "\"",
                  {{"DISPLAY", display}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""},
                   {"QUORVIA_STORE", dir.File("crm.db")}, {"QUORVIA_LOG", "0"}});

  // The program alone in a folder: no libquorvia-gui.so beside it nor in
  // ../lib/quorvia/, the last place it looks; the loader's reason is given.
  const std::string program = dir.File("bin/quorvia-utilities");
  std::filesystem::create_directory(dir.File("bin"));
  std::filesystem::copy_file(BuiltProgram("quorvia-utilities"), program);
  const std::string unavailable = "cannot load the GUI module: " + dir.File("lib/quorvia/libquorvia-gui.so") +
                                  ": cannot open shared object file: No such file or directory";
  ExpectFallbacks(program, unavailable,
                  {{"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "offscreen"}, {"QUORVIA_STORE", dir.File("crm.db")},
                   {"QUORVIA_LOG", "0"}});
}

}  // namespace
}  // namespace e2e
