// A command record through the main form on a small CRM: whatever the
// record, the run ends with an outcome, opens no window and starts no
// program, and leaves the store as sound as it found it. The first input byte answers the
// Yes/No boxes (bit i the i-th box); the rest is the command line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/form1.h"
#include "app/store_run_end.h"
#include "fuzz/fuzz_support.h"
#include "host/linux_platform.h"
#include "host/store/schema.h"
#include "host/testing/crm_store.h"
#include "host/testing/quiet_desktop.h"
#include "host/testing/scripted_desktop.h"
#include "tools/store_check.h"

namespace {

namespace fs = std::filesystem;

// A private folder with the CRM to start each run from, and an environment
// in which nothing can reach a display, the reports database or a program.
struct FuzzWorld {
  FuzzWorld() {
    { host::testing::CrmStore crm(dir.File("template.db")); }
    // The test CRM's own identifiers are not hexadecimal: those problems are
    // there before any run.
    known_problems = storetool::CheckStore(*store::OpenStore(dir.File("template.db")));
    std::ifstream in(dir.File("template.db"), std::ios::binary);
    template_bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    fs::create_directory(dir.File("reports"));
    fs::create_directory(dir.File("no-programs"));
    setenv("QUORVIA_UI", "console", 1);
    setenv("QUORVIA_OPEN", "0", 1);
    setenv("QUORVIA_REPORTS_DIR", dir.File("reports").c_str(), 1);
    setenv("ODBCINI", dir.File("no-odbc.ini").c_str(), 1);
    setenv("ODBCSYSINI", dir.File("no-odbc").c_str(), 1);
    setenv("PATH", dir.File("no-programs").c_str(), 1);
    // A platform Qt does not have: any attempt at a window fails loudly.
    setenv("QT_QPA_PLATFORM", "no-windows-while-fuzzing", 1);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
  }
  store::testing::TempDir dir;
  std::vector<std::string> known_problems;
  // Written anew for each run through streams, which, unlike
  // std::filesystem::copy_file, retry when libFuzzer's timer interrupts them.
  std::string template_bytes;
};

void RemoveRunFiles(const FuzzWorld& world) {
  for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(world.dir.File("run.db") + suffix);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const FuzzWorld world;
  fuzz::InputReader input(data, size);
  const std::uint8_t answers = input.Byte();
  const std::string command_line(input.Rest());
  const std::string path = world.dir.File("run.db");
  std::ofstream(path, std::ios::binary | std::ios::trunc) << world.template_bytes;
  {
    auto box = std::make_unique<host::testing::ScriptedMessageBox>();
    for (int i = 0; i < 8; ++i) {
      box->Answer(answers & (1U << i) ? host::MsgBoxResult::kYes : host::MsgBoxResult::kNo);
    }
    host::LinuxPlatform platform(path, host::testing::QuietDesktop(std::move(box)));
    app::Form1 form(platform, command_line, nullptr);
    try {
      form.Run();
      app::Ending ending = form.ending();
      std::ostringstream journal_failures;
      app::EndStoreRun(platform.store(), ending, store::Retention{}, journal_failures);
    } catch (const std::exception& error) {
      fuzz::Broken(std::string("the run let an error escape: ") + error.what() + "\ncommand line: " + command_line);
    }
  }
  const std::vector<std::string> problems = storetool::CheckStore(*store::OpenStore(path));
  if (problems != world.known_problems) {
    std::string report = "the run left the store with other problems:";
    for (const std::string& problem : problems) report.append("\n").append(problem);
    fuzz::Broken(report + "\ncommand line: " + command_line);
  }
  RemoveRunFiles(world);
  return 0;
}
