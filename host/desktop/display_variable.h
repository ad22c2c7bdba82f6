#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace desktop::testing {

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
