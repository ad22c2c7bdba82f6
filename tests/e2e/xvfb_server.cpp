#include "tests/e2e/xvfb_server.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

namespace e2e {
namespace {

constexpr char kXvfb[] = "/usr/bin/Xvfb";
constexpr int kStartMs = 20000;

}  // namespace

XvfbServer::XvfbServer() {
  if (access(kXvfb, X_OK) != 0) throw std::runtime_error("Xvfb is not installed (Debian xvfb)");
  int ready[2];
  if (pipe(ready) != 0) throw std::runtime_error("pipe failed");
  pid_ = fork();
  if (pid_ == 0) {
    close(ready[0]);
    const std::string fd = std::to_string(ready[1]);
    // -displayfd: the server picks a free display and writes its number
    // there once it accepts connections.
    execl(kXvfb, kXvfb, "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0", "1280x1024x24",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(ready[1]);
  std::string number;
  pollfd fd{ready[0], POLLIN, 0};
  char c = 0;
  while (poll(&fd, 1, kStartMs) > 0 && read(ready[0], &c, 1) == 1 && c != '\n') number.push_back(c);
  close(ready[0]);
  if (number.empty()) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    throw std::runtime_error("Xvfb did not start");
  }
  display_ = ":" + number;
}

XvfbServer::~XvfbServer() {
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
}

}  // namespace e2e
