#include "host/desktop/report_destination.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <vector>

#include "host/child_signals.h"
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
  const int failed = posix_spawnp(&pid, program, &actions, host::ChildAttributes().get(), argv.data(), environ);
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

// Whether two paths name one folder, written with or without a final slash.
bool SameFolder(const std::filesystem::path& a, const std::string& b) {
  return !b.empty() && (a / "").lexically_normal() == (std::filesystem::path(b) / "").lexically_normal();
}

// How long xdg-open is given to fail before the run goes on without it.
constexpr int kOpenerWaitMs = 1000;

// The exit status of the child `pid` when it ends within `timeout_ms`
// (128 + N for signal N); nullopt when it is still running then.
std::optional<int> ExitWithin(pid_t pid, int timeout_ms) {
  const int pid_fd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  if (pid_fd < 0) return std::nullopt;
  pollfd ended{pid_fd, POLLIN, 0};
  const int ready = poll(&ended, 1, timeout_ms);
  close(pid_fd);
  int status = 0;
  if (ready != 1 || waitpid(pid, &status, WNOHANG) != pid) return std::nullopt;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

std::filesystem::path ReportsFolder() {
  if (const std::string chosen = host::EnvironmentVariable("QUORVIA_REPORTS_DIR"); !chosen.empty()) {
    return chosen;
  }
  const std::string home = host::EnvironmentVariable("HOME");
  const std::filesystem::path documents = OutputOf("xdg-user-dir", "DOCUMENTS");
  if (documents.is_absolute() && !SameFolder(documents, home)) return documents;
  if (home.empty()) {
    throw std::runtime_error("no folder for reports: set QUORVIA_REPORTS_DIR (HOME is not set)");
  }
  return std::filesystem::path(home) / "Documents";
}

std::string OpenWithDesktop(const std::string& path, int output, const std::string& output_name) {
  if (host::EnvironmentVariable("QUORVIA_OPEN") == "0") return "";
  if (host::EnvironmentVariable("DISPLAY").empty() && host::EnvironmentVariable("WAYLAND_DISPLAY").empty()) {
    return "";
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // Its chatter (a browser it tried and did not find, say) is not ours to show.
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  if (output >= 0) {
    posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  }
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  // Its own session: the viewer outlives this program and its terminal.
  const host::ChildAttributes attributes(POSIX_SPAWN_SETSID);
  std::vector<char*> argv = {const_cast<char*>("xdg-open"), const_cast<char*>(path.c_str()), nullptr};
  pid_t pid = -1;
  const int failed = posix_spawnp(&pid, "xdg-open", &actions, attributes.get(), argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return std::string("cannot start xdg-open: ") + std::strerror(failed);
  const std::optional<int> status = ExitWithin(pid, kOpenerWaitMs);
  if (!status || *status == 0) return "";
  return "xdg-open ended with status " + std::to_string(*status) +
         (output < 0 ? std::string() : " (what it said is in " + output_name + ")");
}

}  // namespace desktop
