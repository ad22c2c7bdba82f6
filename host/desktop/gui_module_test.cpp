#include "host/desktop/gui_module_loader.h"

#include <gmock/gmock.h>

#include <QApplication>
#include <QMetaObject>
#include <fstream>
#include <string>

#include "host/desktop/display_variable.h"
#include "host/desktop/qt_application.h"
#include "host/error.h"
#include "host/store/test_store.h"

// The GUI module the build put beside the tests, loaded as the program loads
// it, and files that are no such module.
namespace desktop {
namespace {

TEST(GuiModuleTest, AFileThatIsNoModuleFailsWithTheLoadersReason) {
  store::testing::TempDir dir;
  const std::string text_file = dir.File("libquorvia-gui.so");
  std::ofstream(text_file) << std::string(200, 'x') << "\n";
  // Each file, and what the dynamic loader says of it.
  const std::pair<std::string, std::string> cases[] = {
      {dir.File("missing.so"), "cannot open shared object file"},
      {text_file, "invalid ELF header"},
      // A library, but not ours: it lacks the entry point.
      {"libX11.so.6", "undefined symbol: QuorviaGuiModule"},
  };
  // The loader names a library found by name with its whole path.
  for (const auto& [file, reason] : cases) {
    EXPECT_THAT([&] { LoadGuiModule(file); },
                ::testing::ThrowsMessage<GuiModuleUnavailable>(
                    ::testing::AllOf(::testing::StartsWith("cannot load the GUI module: "),
                                     ::testing::HasSubstr(file + ": " + reason))));
  }
}

TEST(GuiModuleTest, ItsEventPumpRunsTheWaitingQtEventsOfThisProcessOnce) {
  GuiModule& module = LoadProgramGuiModule();
  QCoreApplication* application = &EnsureQtApplication();
  int calls = 0;
  for (int i = 0; i < 3; ++i) QMetaObject::invokeMethod(application, [&calls] { ++calls; }, Qt::QueuedConnection);
  const auto pump = module.MakeEventPump();
  pump->DoEvents();
  EXPECT_EQ(calls, 3) << "every waiting event runs";
  pump->DoEvents();
  EXPECT_EQ(calls, 3);
}

TEST(GuiModuleTest, ItsHostsThrowHostErrorsThatThisProgramCatches) {
  GuiModule& module = LoadProgramGuiModule();
  store::testing::TempDir dir;
  testing::DisplayVariable nowhere(testing::FreeDisplay());
  EXPECT_EQ(module.MakeWindowLookup()->FindWindowA("REDiraz"), 0u) << "a window found without a display";
  const host::Error error =
      store::testing::ThrownError([&] { module.MakeItemWindows(dir.File("crm.db"))->Minimize(1); });
  EXPECT_EQ(error.number(), host::kNotSupported);
  EXPECT_EQ(error.description(), "there is no X display to minimize a window on");
}

}  // namespace
}  // namespace desktop
