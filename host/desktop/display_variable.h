#pragma once

#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace desktop::testing {

// A display that no X server serves, for tests that need DISPLAY set to
// one that cannot be opened: the first from :97 up with neither a socket
// nor a lock file, so a server that another program runs is never taken for
// an absent one. Servers that tests start (-displayfd) take the lowest free
// numbers, far below it.
inline std::string FreeDisplay() {
  for (int number = 97;; ++number) {
    const std::string n = std::to_string(number);
    if (access(("/tmp/.X11-unix/X" + n).c_str(), F_OK) != 0 && access(("/tmp/.X" + n + "-lock").c_str(), F_OK) != 0) {
      return ":" + n;
    }
  }
}

// DISPLAY set to `display` while the object lives, for tests that point this
// process's X clients at a server of their own or at none.
class DisplayVariable {
 public:
  explicit DisplayVariable(const std::string& display) {
    if (const char* old = std::getenv("DISPLAY")) old_ = old;
    setenv("DISPLAY", display.c_str(), 1);
  }
  ~DisplayVariable() {
    if (old_) {
      setenv("DISPLAY", old_->c_str(), 1);
    } else {
      unsetenv("DISPLAY");
    }
  }
  DisplayVariable(const DisplayVariable&) = delete;
  DisplayVariable& operator=(const DisplayVariable&) = delete;

 private:
  std::optional<std::string> old_;
};

}  // namespace desktop::testing
