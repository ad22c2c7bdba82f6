#include "bench/program_runs.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace bench {
namespace {

namespace fs = std::filesystem;

void SetEnvironment(const char* name, const std::string& value) {
  if (setenv(name, value.c_str(), 1) != 0) Fail(std::string("cannot set ") + name);
}

}  // namespace

void SetRunEnvironment(const WorkFolder& folder) {
  SetEnvironment("QUORVIA_UI", "console");
  SetEnvironment("XDG_STATE_HOME", folder.Path("state").string());
  std::ofstream(folder.Path("yes.txt")) << "Yes\n";
  unsetenv("QUORVIA_TRACE");
}

pid_t StartProgram(const WorkFolder& folder, const std::string& location, const std::string& command_line,
                   bool journal, const std::string& errors) {
  SetEnvironment("QUORVIA_STORE", location);
  SetEnvironment("QUORVIA_JOURNAL", journal ? "1" : "0");
  const pid_t pid = StartChild({QUORVIA_UTILITIES_PROGRAM, command_line}, folder.Path(errors), "/dev/null",
                               folder.Path("yes.txt"));
  // quorvia-store undo journals as it would by default.
  unsetenv("QUORVIA_JOURNAL");
  return pid;
}

ChildRun FinishProgram(const WorkFolder& folder, pid_t pid, const std::string& errors) {
  try {
    return FinishChild(pid, QUORVIA_UTILITIES_PROGRAM);
  } catch (const std::exception& error) {
    std::ifstream in(folder.Path(errors));
    const std::string written{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    Fail(error.what() + std::string(": ") + written);
  }
}

ChildRun RunProgram(const WorkFolder& folder, const std::string& location, const std::string& command_line,
                    bool journal) {
  ChildRun run;
  const double seconds = Seconds([&] {
    run = FinishProgram(folder, StartProgram(folder, location, command_line, journal));
  });
  run.seconds = seconds;
  return run;
}

std::string LastRun(const WorkFolder& folder, const std::string& location) {
  const fs::path listed = folder.Path("history.txt");
  RunChild({QUORVIA_STORE_PROGRAM, "--store", location, "history"}, 0, {}, listed);
  std::string run_id;
  std::getline(std::ifstream(listed), run_id, '\t');
  if (run_id.empty()) Fail(location + ": the journal holds no run");
  return run_id;
}

}  // namespace bench
