#include <gtest/gtest.h>

#include <map>
#include <string>

#include "host/desktop/display_variable.h"
#include "host/store/test_store.h"
#include "tests/e2e/child_process.h"

// "Help" on a terminal, through the built program.
namespace e2e {
namespace {

constexpr char kFirstSlide[] =
    "== Quorvia Overview ==\n"
    "Quorvia adds a toolbar to your Outlook window. You can perform almost all Quorvia functions from "
    "this toolbar.     Click Next to continue.\n"
    "(n)ext: ";
constexpr char kSecondSlide[] =
    "== Menu Items ==\n"
    "The customizable search menu item allows you to search for any item.\n"
    "The customizable Add/Action menu allows you to create new items or perform an action such as "
    "switching to a folder.\n"
    "Quorvia was designed to be customized but can be used out of the box. You can also navigate the "
    "folder structure to access your data.\n"
    "(b)ack, (f)inish: ";

class ConsoleTourTest : public ::testing::Test {
 protected:
  ConsoleTourTest() {
    const auto profiles = store_.AddFolder("Account Profiles");
    store_.AddFolder("Contacts", profiles);
  }

  // Runs "Help" without a display (or with `ui` on an unreachable one).
  ProcessResult Help(const std::string& input, const std::string& ui = "") {
    return e2e::Run(BuiltProgram("quorvia-utilities"), {"Help"},
               {{"QUORVIA_UI", ui}, {"DISPLAY", ui.empty() ? "" : desktop::testing::FreeDisplay()}, {"WAYLAND_DISPLAY", ""},
                {"QT_QPA_PLATFORM", ""}, {"QUORVIA_STORE", path_}, {"QUORVIA_LOG", "0"}},
               input);
  }

  store::testing::TempDir dir_;
  std::string path_ = dir_.File("crm.db");
  store::testing::TestStore store_{path_};
};

TEST_F(ConsoleTourTest, PagesOnALineEachAndFinishWritesTheCompanionsAnswer) {
  const std::string finished = std::string(kFirstSlide) + kFirstSlide + kSecondSlide + kSecondSlide +
                               kSecondSlide + kFirstSlide + kSecondSlide +
                               "== Quillet ==\nThe Quorvia database is the folder \"Account Profiles\" "
                               "in the CRM store " + path_ + ".\nIts folders: Contacts.\n";
  // Anything but the slide's own letters shows it again: upper case, a
  // letter of the other slide, an empty line. A line may end in CRLF. (How
  // the end of the input closes a slide is TourTest's.)
  for (const char* ui : {"", "console"}) {
    const ProcessResult result = Help("N\nn\r\nn\n\nb\r\nn\nf\nf\n", ui);
    EXPECT_EQ(result.status, 0) << ui << result.err;
    EXPECT_EQ(result.out, finished) << "QUORVIA_UI=" << ui;
    EXPECT_EQ(result.err, "") << ui;
  }
}

}  // namespace
}  // namespace e2e
