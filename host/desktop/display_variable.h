#pragma once

#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

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

// An environment variable of this process set to `value` while the object
// lives, for tests that point this process at folders or servers of their own.
class ScopedVariable {
 public:
  ScopedVariable(std::string name, const std::string& value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) old_ = old;
    setenv(name_.c_str(), value.c_str(), 1);
  }
  ~ScopedVariable() {
    if (old_) {
      setenv(name_.c_str(), old_->c_str(), 1);
    } else {
      unsetenv(name_.c_str());
    }
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// DISPLAY set to `display` while the object lives, for tests that point this
// process's X clients at a server of their own or at none.
class DisplayVariable : public ScopedVariable {
 public:
  explicit DisplayVariable(const std::string& display) : ScopedVariable("DISPLAY", display) {}
};

}  // namespace desktop::testing
