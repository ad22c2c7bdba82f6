#pragma once

#include <signal.h>

#include <functional>
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace e2e {

// What a finished process left: its exit status (128 + N when signal N ended
// it) and everything it wrote.
struct ProcessResult {
  int status = -1;
  std::string out;
  std::string err;
};

// A program run as a user would run it: its own environment (this process's,
// with `env` laid over it), `input` on standard input, and both output
// streams collected.
class ChildProcess {
 public:
  ChildProcess(const std::string& program, const std::vector<std::string>& args,
               const std::map<std::string, std::string>& env, const std::string& input);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Sends a signal, such as SIGKILL.
  void Kill(int signal);
  // Waits for the end, collecting the output. When `timeout_ms` is not
  // negative and passes first, the process is killed (SIGKILL).
  ProcessResult Wait(int timeout_ms = -1);

 private:
  pid_t pid_ = -1;
  int out_fd_ = -1;
  int err_fd_ = -1;
  bool waited_ = false;
};

// Runs a program to its end.
ProcessResult Run(const std::string& program, const std::vector<std::string>& args,
                  const std::map<std::string, std::string>& env = {}, const std::string& input = "");

// The path of a program that the build put beside the tests.
std::string BuiltProgram(const std::string& name);

// Runs the built quorvia-store to its end on the store at `store`.
ProcessResult RunStoreTool(const std::string& store, std::vector<std::string> args, const std::string& input = "");

// Asks `done` every `step_ms` until it says yes; false when it has not
// within `timeout_ms`.
bool Eventually(const std::function<bool()>& done, int timeout_ms = 20000, int step_ms = 20);

// Waits until `folder` holds an entry whose name starts with `prefix`;
// false when none comes within 30 s.
bool WaitForEntry(const std::string& folder, const std::string& prefix);

// While it lives, the children get the default action of SIGINT, SIGTERM and
// SIGHUP, whatever this process was started with (nohup, say).
class DefaultSignals {
 public:
  DefaultSignals();
  ~DefaultSignals();
  DefaultSignals(const DefaultSignals&) = delete;
  DefaultSignals& operator=(const DefaultSignals&) = delete;

  static constexpr int kSignals[3] = {SIGINT, SIGTERM, SIGHUP};

 private:
  struct sigaction saved_[3] {};
};

}  // namespace e2e
