#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <functional>
#include <iostream>
#include <stdexcept>
#include <string>
#include <system_error>

#include "app/form1.h"
#include "app/help_text.h"
#include "app/run_log.h"
#include "app/store_run_end.h"
#include "host/child_signals.h"
#include "host/descriptor_output.h"
#include "host/desktop/gui_module_loader.h"
#include "host/desktop/report_destination.h"
#include "host/desktop/ui_mode.h"
#include "host/linux_platform.h"
#include "host/store/run_record.h"
#include "host/store/store_hosts.h"
#include "host/store/store_location.h"

namespace {

constexpr char kProgram[] = "quorvia-utilities";

bool TraceRequested() {
  const char* trace = std::getenv("QUORVIA_TRACE");
  return trace != nullptr && std::strcmp(trace, "1") == 0;
}

// Writes the spreadsheet reports still open, tells where each went (one
// line on standard output) and opens it for the user, the opener's output
// kept in open.log. A report that could not be written ends the run as
// abandoned, naming why; one that was written but not opened says so on
// one line and changes nothing else.
void DeliverReports(host::LinuxPlatform& platform, app::Ending& ending) {
  const sheet::SavedReports& saved = platform.SaveReports();
  const auto log = app::CompanionLogPath(app::LogEnvironment::FromProcess(), "open.log");
  const int output = log && !saved.paths.empty() ? app::OpenLogForAppending(*log) : -1;
  for (const std::string& path : saved.paths) {
    std::cout << path << std::endl;
    if (const std::string failure = desktop::OpenWithDesktop(path, output, log.value_or("")); !failure.empty()) {
      std::cerr << kProgram << ": " << path << " could not be opened: " << failure << '\n';
    }
  }
  if (output >= 0) close(output);
  if (!saved.failures.empty() && app::Outranks(app::Outcome::kAbandoned, ending.outcome)) {
    ending = {app::Outcome::kAbandoned, "the report was not written: " + saved.failures.front(), false};
  }
}

// The run as the store's journal keeps it; no run when the journal is off.
store::RunRecord JournalRun(const app::RunIdentity& run, const std::string& command_line) {
  if (store::JournalOffInProcess()) return {};
  return {run.id, run.started, run.user, command_line};
}

// A run that wanted windows but got the terminal says why in its reason, so
// on standard error and in the run log, even when a box gave the rest of it.
void NoteTerminalFallback(const std::string& fallback, app::Ending& ending) {
  if (fallback.empty()) return;
  const std::string note = "no window could be opened, so the terminal was used: " + fallback;
  ending.reason = ending.reason.empty() ? note : ending.reason + " (" + note + ")";
  ending.shown = false;
}

// Runs the one command line through the main form, with the GUI module
// `gui` (null: the terminal); `load_gui` yields it again where a window
// lookup needs it.
app::Ending RunOnTheUi(const std::string& command_line, const app::RunIdentity& run, desktop::GuiModule* gui,
                       const std::function<desktop::GuiModule&()>& load_gui) {
  std::string store_path;
  try {
    store_path = store::DefaultStorePath(store::Environment::FromProcess());
  } catch (const std::runtime_error& error) {
    // The usage message needs no store.
    if (!command_line.empty()) return {app::Outcome::kNoSession, error.what(), false};
  }
  const auto platform = host::linuxPlatform(store_path, gui, JournalRun(run, command_line), load_gui);
  app::Form1 form(*platform, command_line, TraceRequested() ? &std::cerr : nullptr);
  form.Run();
  app::Ending ending = form.ending();
  std::error_code unknown;
  if (ending.outcome == app::Outcome::kNoSession && store::EngineOf(store_path) == store::Engine::kSqlite &&
      !std::filesystem::exists(store_path, unknown)) {
    ending.reason += " (make one with quorvia-store init, quorvia-store import FILE or quorvia-store demo --accounts N)";
  }
  DeliverReports(*platform, ending);
  app::EndStoreRun(platform->store(), ending, store::Retention::FromProcess(), std::cerr);
  return ending;
}

app::Ending RunCommand(const std::string& command_line, const app::RunIdentity& run,
                       const std::function<desktop::GuiModule&()>& load_gui) {
  const desktop::StartedUi ui = desktop::StartUi(load_gui);
  app::Ending ending = RunOnTheUi(command_line, run, ui.module, load_gui);
  NoteTerminalFallback(ui.fallback, ending);
  return ending;
}

std::string CommandLineOf(int argc, char** argv) {
  std::string command_line;
  for (int i = 1; i < argc; ++i) command_line.append(i > 1 ? " " : "").append(argv[i]);
  return command_line;
}

// Says why the run ended, on standard error unless a message box has, and in
// the run log; yields the exit status.
int Finish(const app::RunIdentity& run, const std::string& logged_command_line, const app::Ending& ending) {
  if (!ending.reason.empty() && !ending.shown) std::cerr << kProgram << ": " << ending.reason << '\n';
  const int status = app::ExitStatus(ending.outcome);
  if (const auto log = app::RunLogPath(app::LogEnvironment::FromProcess())) {
    try {
      app::AppendRunLog(*log, run, logged_command_line, status, ending.reason);
    } catch (const std::exception& error) {
      std::cerr << kProgram << ": " << error.what() << '\n';
    }
  }
  return status;
}

// The GUI module beside the program, set to end the run as abandoned when
// the display is lost. That ending comes from inside Qt or Xlib, where
// nothing can unwind: the run is finished there and the process ends at
// once; the store rolls back what the run had not committed, as for a
// killed run.
std::function<desktop::GuiModule&()> GuiModuleLoader(const app::RunIdentity& run,
                                                      const std::string& logged_command_line) {
  return [run, logged_command_line]() -> desktop::GuiModule& {
    desktop::GuiModule& module = desktop::LoadProgramGuiModule();
    module.EndOnLostDisplay([run, logged_command_line](const std::string& reason) {
      std::cout.flush();
      _exit(Finish(run, logged_command_line, {app::Outcome::kAbandoned, reason, false}));
    });
    return module;
  };
}

app::Ending Run(int argc, char** argv, const app::RunIdentity& run) {
  if (argc > 2) {
    return {app::Outcome::kUsage,
            "takes exactly one argument, FUNCTION;FIELD;FIELD;... (got " +
                std::to_string(argc - 1) + ")",
            false};
  }
  const std::string command_line = argc == 2 ? argv[1] : "";
  if (command_line == "--help" || command_line == "-h") {
    std::cout << app::kHelpText;
    return {};
  }
  if (command_line == "--version") {
    std::cout << kProgram << ' ' << QUORVIA_VERSION << '\n';
    return {};
  }
  try {
    return RunCommand(command_line, run, GuiModuleLoader(run, CommandLineOf(argc, argv)));
  } catch (const std::invalid_argument& error) {  // a bad QUORVIA_UI, or gui without a window or its module
    return {app::Outcome::kUsage, error.what(), false};
  } catch (const std::exception& error) {
    return {app::Outcome::kAbandoned, error.what(), false};
  }
}

// Output that could not be written leaves the command not done, unless
// the run ended in a way that says more.
void CheckOutput(app::Ending& ending) {
  if (std::cout.flush() || !app::Outranks(app::Outcome::kNotDone, ending.outcome)) return;
  const std::string reason = host::WriteFailureReason(std::cout);
  ending = {app::Outcome::kNotDone, "cannot write to standard output" + (reason.empty() ? "" : ": " + reason), false};
}

}  // namespace

int main(int argc, char** argv) {
  host::IgnoreBrokenPipes();
  // Standard output through a buffer that keeps the reason of a failed
  // write, handed on at every output as before; put back before it goes.
  host::DescriptorOutput standard_output(STDOUT_FILENO);
  std::streambuf* const standard_buffer = std::cout.rdbuf(&standard_output);
  std::cout << std::unitbuf;
  const app::RunIdentity run = app::RunIdentity::Start();
  app::Ending ending = Run(argc, argv, run);
  CheckOutput(ending);
  std::cout.rdbuf(standard_buffer);
  return Finish(run, CommandLineOf(argc, argv), ending);
}
