#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

namespace desktop::testing {

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
