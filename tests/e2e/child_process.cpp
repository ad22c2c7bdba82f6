#include "tests/e2e/child_process.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <stdexcept>

extern char** environ;

namespace e2e {
namespace {

// This process's environment with `overrides` in place of its own values.
std::vector<std::string> Environment(const std::map<std::string, std::string>& overrides) {
  std::vector<std::string> lines;
  for (const auto& [name, value] : overrides) lines.push_back(name + "=" + value);
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    if (!overrides.contains(text.substr(0, text.find('=')))) lines.push_back(text);
  }
  return lines;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (auto& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

void WriteAll(int fd, const std::string& data) {
  std::size_t written = 0;
  while (written < data.size()) {
    const ssize_t n = write(fd, data.data() + written, data.size() - written);
    if (n <= 0) break;  // the child closed its input early
    written += static_cast<std::size_t>(n);
  }
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::map<std::string, std::string>& env, const std::string& input) {
  int in[2], out[2], err[2];
  if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0) throw std::runtime_error("pipe failed");
  std::vector<std::string> argv_texts{program};
  argv_texts.insert(argv_texts.end(), args.begin(), args.end());
  std::vector<std::string> env_texts = Environment(env);
  std::vector<char*> argv = Pointers(argv_texts);
  std::vector<char*> envp = Pointers(env_texts);
  pid_ = fork();
  if (pid_ == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
    // As a shell starts it, whatever this process ignores.
    signal(SIGPIPE, SIG_DFL);
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  signal(SIGPIPE, SIG_IGN);
  WriteAll(in[1], input);
  close(in[1]);
  out_fd_ = out[0];
  err_fd_ = err[0];
}

ChildProcess::~ChildProcess() {
  if (!waited_) {
    Kill(SIGKILL);
    Wait();
  }
}

void ChildProcess::Kill(int signal_number) { kill(pid_, signal_number); }

ProcessResult ChildProcess::Wait(int timeout_ms) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  ProcessResult result;
  pollfd fds[2] = {{out_fd_, POLLIN, 0}, {err_fd_, POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open_streams = 2;
  char buffer[65536];
  while (open_streams > 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    const int ready = poll(fds, 2, timeout_ms < 0 ? -1 : static_cast<int>(std::max<long long>(0, left)));
    if (ready < 0) break;
    if (ready == 0) {
      Kill(SIGKILL);
      timeout_ms = -1;
      continue;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(n));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open_streams;
      }
    }
  }
  int status = 0;
  waitpid(pid_, &status, 0);
  waited_ = true;
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

ProcessResult Run(const std::string& program, const std::vector<std::string>& args,
                  const std::map<std::string, std::string>& env, const std::string& input) {
  return ChildProcess(program, args, env, input).Wait();
}

std::string BuiltProgram(const std::string& name) { return std::string(QUORVIA_BIN_DIR) + "/" + name; }

ProcessResult RunStoreTool(const std::string& store, std::vector<std::string> args, const std::string& input) {
  args.insert(args.begin(), {"--store", store});
  return Run(BuiltProgram("quorvia-store"), args, {}, input);
}

bool Eventually(const std::function<bool()>& done, int timeout_ms, int step_ms) {
  for (int waited = 0; waited < timeout_ms; waited += step_ms) {
    if (done()) return true;
    poll(nullptr, 0, step_ms);
  }
  return done();
}

bool WaitForEntry(const std::string& folder, const std::string& prefix) {
  const auto named = [&](const auto& entry) { return entry.path().filename().string().starts_with(prefix); };
  return Eventually([&] { return std::ranges::any_of(std::filesystem::directory_iterator(folder), named); }, 30'000, 1);
}

DefaultSignals::DefaultSignals() {
  for (int i = 0; i < 3; ++i) {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigaction(kSignals[i], &action, &saved_[i]);
  }
}

DefaultSignals::~DefaultSignals() {
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &saved_[i], nullptr);
}

}  // namespace e2e
