#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <string>

#include "host/store/test_store.h"
#include "tests/e2e/child_process.h"

// Which libraries a run of the built program maps, as the dynamic loader
// reports the files it opens (LD_DEBUG=files): a run on the terminal none of
// the desktop's, a run with windows the GUI module and Qt through it.
namespace e2e {
namespace {

// The libraries of the desktop, by the start of their file names.
constexpr const char* kDesktopLibraries[] = {"libquorvia-gui", "libQt",         "libX11",  "libxcb",
                                             "libicu",         "libglib",       "libgobject",
                                             "libfontconfig",  "libfreetype",   "libdbus"};

// The file names (no folder) of every library the loader opened, from its
// "file=PATH [N];  needed by ..." and "...  dynamically loaded by ..." lines.
std::set<std::string> OpenedLibraries(const std::string& loader_output) {
  std::set<std::string> names;
  std::istringstream lines(loader_output);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t start = line.find("file=");
    if (start == std::string::npos) continue;
    const std::string path = line.substr(start + 5, line.find_first_of(" \t", start) - start - 5);
    names.insert(path.substr(path.rfind('/') + 1));
  }
  return names;
}

bool IsDesktopLibrary(const std::string& name) {
  return std::ranges::any_of(kDesktopLibraries, [&](const char* prefix) { return name.starts_with(prefix); });
}

class GuiLibrariesTest : public ::testing::Test {
 protected:
  GuiLibrariesTest() { store_.AddFolder("Account Profiles"); }

  // The libraries that "Realign" opens with QUORVIA_UI `ui` (windows on Qt's
  // offscreen platform), failing the test unless it succeeds.
  std::set<std::string> LibrariesOfRealign(const std::string& ui) {
    const ProcessResult result =
        e2e::Run(BuiltProgram("quorvia-utilities"), {"Realign"},
            {{"QUORVIA_UI", ui}, {"QT_QPA_PLATFORM", "offscreen"}, {"QUORVIA_STORE", path_},
             {"QUORVIA_LOG", "0"}, {"LD_DEBUG", "files"}});
    EXPECT_EQ(result.status, 0) << "QUORVIA_UI=" << ui << "\n" << result.err;
    return OpenedLibraries(result.err);
  }

  store::testing::TempDir dir_;
  std::string path_ = dir_.File("crm.db");
  store::testing::TestStore store_{path_};
};

TEST_F(GuiLibrariesTest, OnlyARunWithWindowsLoadsTheGuiModuleAndQtThroughIt) {
  const std::set<std::string> console = LibrariesOfRealign("console");
  EXPECT_TRUE(console.contains("libsqlite3.so.0")) << "the loader's report was not read";
  for (const std::string& name : console) EXPECT_FALSE(IsDesktopLibrary(name)) << name;
  const std::set<std::string> gui = LibrariesOfRealign("gui");
  EXPECT_TRUE(gui.contains("libquorvia-gui.so"));
  EXPECT_TRUE(gui.contains("libQt6Widgets.so.6"));
}

}  // namespace
}  // namespace e2e
