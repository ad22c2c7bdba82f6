#pragma once

#include <string>
#include <sys/types.h>
#include <thread>
#include <utility>

namespace e2e {

// A private X server (Xvfb) on a display number it picks itself, for tests
// that need a real display; stopped when the object goes.
class XvfbServer {
 public:
  // Starts the server and waits until it accepts connections. Throws
  // std::runtime_error when Xvfb is missing or does not start.
  XvfbServer();
  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  // Its DISPLAY value, ":N".
  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

// A flaky path to an XvfbServer: a display of its own (":N" of a free
// number N, its abstract socket only, where X clients look first) whose
// first `passed` connections it passes on to the server; it refuses later
// ones, and cuts those it passed on when it goes.
class FlakyDisplay {
 public:
  // Throws std::runtime_error when it cannot listen.
  FlakyDisplay(const XvfbServer& server, int passed);
  ~FlakyDisplay();
  FlakyDisplay(const FlakyDisplay&) = delete;
  FlakyDisplay& operator=(const FlakyDisplay&) = delete;

  // Its DISPLAY value, ":N".
  const std::string& display() const { return display_; }

 private:
  void Relay(int passed);
  // Accepts a connection and connects it to the server: client and server
  // end, or -1 twice when either fails.
  std::pair<int, int> PassOn();

  std::string server_socket_;
  std::string display_;
  int listener_ = -1;
  int wake_[2] = {-1, -1};  // written to stop
  std::thread relay_;
};

}  // namespace e2e
