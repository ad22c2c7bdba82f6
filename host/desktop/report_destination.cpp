#include "host/desktop/report_destination.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "host/xdg.h"

extern char** environ;

namespace desktop {
namespace {

// What `program argument` writes on standard output, without its line end;
// "" when it cannot be run or fails. Its standard error is dropped.
std::string OutputOf(const char* program, const char* argument) {
  std::array<int, 2> pipe_ends{};
  if (pipe2(pipe_ends.data(), O_CLOEXEC) != 0) return "";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv = {const_cast<char*>(program), const_cast<char*>(argument), nullptr};
  pid_t pid = -1;
  const int failed = posix_spawnp(&pid, program, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_ends[1]);
  std::string output;
  std::array<char, 512> buffer{};
  for (ssize_t got; failed == 0 && (got = read(pipe_ends[0], buffer.data(), buffer.size())) != 0;) {
    if (got > 0) output.append(buffer.data(), static_cast<std::size_t>(got));
    if (got < 0 && errno != EINTR) break;
  }
  close(pipe_ends[0]);
  int status = 0;
  if (failed != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return "";
  }
  while (!output.empty() && output.back() == '\n') output.pop_back();
  return output;
}

}  // namespace

std::filesystem::path ReportsFolder() {
  if (const std::string chosen = host::EnvironmentVariable("QUORVIA_REPORTS_DIR"); !chosen.empty()) {
    return chosen;
  }
  if (const std::filesystem::path documents = OutputOf("xdg-user-dir", "DOCUMENTS"); documents.is_absolute()) {
    return documents;
  }
  const std::string home = host::EnvironmentVariable("HOME");
  if (home.empty()) {
    throw std::runtime_error("no folder for reports: set QUORVIA_REPORTS_DIR (HOME is not set)");
  }
  return std::filesystem::path(home) / "Documents";
}

std::string OpenWithDesktop(const std::string& path) {
  if (host::EnvironmentVariable("QUORVIA_OPEN") == "0") return "";
  if (host::EnvironmentVariable("DISPLAY").empty() && host::EnvironmentVariable("WAYLAND_DISPLAY").empty()) {
    return "";
  }
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // Its own session: the viewer outlives this program and its terminal.
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  std::vector<char*> argv = {const_cast<char*>("xdg-open"), const_cast<char*>(path.c_str()), nullptr};
  pid_t pid = -1;
  const int failed = posix_spawnp(&pid, "xdg-open", nullptr, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  if (failed != 0) return std::string("cannot start xdg-open: ") + std::strerror(failed);
  return "";
}

}  // namespace desktop
