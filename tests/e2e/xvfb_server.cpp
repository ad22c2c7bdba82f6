#include "tests/e2e/xvfb_server.h"

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace e2e {
namespace {

constexpr char kXvfb[] = "/usr/bin/Xvfb";
constexpr int kStartMs = 20000;
// Where X clients find the socket of display N (as an abstract name first).
const std::string kSocketFolder = "/tmp/.X11-unix/X";
// Flaky displays take numbers from here up, away from those servers take.
constexpr int kFirstFlakyNumber = 1000;

// Binds or connects (`call`) the socket `fd` to the abstract name `name`.
int AtAbstractName(int (*call)(int, const sockaddr*, socklen_t), int fd, const std::string& name) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  // An abstract name starts with a zero byte.
  std::memcpy(address.sun_path + 1, name.data(), name.size());
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
  return call(fd, reinterpret_cast<const sockaddr*>(&address), length);
}

// Closes both ends of a relayed connection, which then reads as closed.
void CloseBoth(std::pair<int, int>& ends) {
  close(ends.first);
  close(ends.second);
  ends = {-1, -1};
}

// Copies what one end has to the other; false when that end is closed.
bool Pass(int from, int to) {
  char buffer[65536];
  const ssize_t got = read(from, buffer, sizeof buffer);
  return got > 0 && send(to, buffer, static_cast<size_t>(got), MSG_NOSIGNAL) == got;
}

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

FlakyDisplay::FlakyDisplay(const XvfbServer& server, int passed)
    : server_socket_(kSocketFolder + server.display().substr(1)) {
  listener_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  // A display number of its own: X servers take the abstract socket of the
  // number they serve, so one that binds is free, and now reserved.
  for (int number = kFirstFlakyNumber; display_.empty() && number < kFirstFlakyNumber + 1000; ++number) {
    if (AtAbstractName(::bind, listener_, kSocketFolder + std::to_string(number)) == 0) {
      std::ostringstream display;  // not ":" + text, which GCC 12 at -O3 warns of wrongly
      display << ':' << number;
      display_ = display.str();
    }
  }
  if (display_.empty() || listen(listener_, 16) != 0 || pipe(wake_) != 0) {
    throw std::runtime_error(std::string("cannot listen for a flaky display: ") + std::strerror(errno));
  }
  relay_ = std::thread([this, passed] { Relay(passed); });
}

FlakyDisplay::~FlakyDisplay() {
  const char stop = 0;
  if (write(wake_[1], &stop, 1) == 1) relay_.join();
  close(listener_);
  close(wake_[0]);
  close(wake_[1]);
}

std::pair<int, int> FlakyDisplay::PassOn() {
  const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
  const int server = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (client >= 0 && AtAbstractName(::connect, server, server_socket_) == 0) {
    return {client, server};
  }
  close(client);
  close(server);
  return {-1, -1};
}

void FlakyDisplay::Relay(int passed) {
  std::vector<std::pair<int, int>> pairs;  // client, server
  for (;;) {
    std::vector<pollfd> watched = {{wake_[0], POLLIN, 0}, {listener_, POLLIN, 0}};
    for (const auto& [client, server] : pairs) {
      watched.push_back({client, POLLIN, 0});
      watched.push_back({server, POLLIN, 0});
    }
    if (poll(watched.data(), watched.size(), -1) < 0) continue;
    if ((watched[0].revents & POLLIN) != 0) {
      for (auto& ends : pairs) CloseBoth(ends);
      return;
    }
    const std::size_t watched_pairs = pairs.size();
    if ((watched[1].revents & POLLIN) != 0 && passed-- > 0) {
      if (const auto pair = PassOn(); pair.first >= 0) pairs.push_back(pair);
    } else if ((watched[1].revents & POLLIN) != 0) {
      close(accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC));
    }
    for (std::size_t i = 0; i < watched_pairs; ++i) {
      const bool open = ((watched[2 + 2 * i].revents == 0 || Pass(pairs[i].first, pairs[i].second)) &&
                         (watched[3 + 2 * i].revents == 0 || Pass(pairs[i].second, pairs[i].first)));
      if (!open) CloseBoth(pairs[i]);
    }
    std::erase(pairs, std::pair<int, int>{-1, -1});
  }
}

}  // namespace e2e
