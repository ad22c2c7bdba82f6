#pragma once

#include <string>
#include <sys/types.h>

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

}  // namespace e2e
