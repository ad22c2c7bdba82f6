#pragma once

#include <ostream>
#include <string>

#include "host/buffered_output.h"

namespace host {

// Buffered output to an open file descriptor (standard output) that
// remembers why writing failed: once a write fails, every later one fails
// too, so the failure cannot go unnoticed.
class DescriptorOutput : public BufferedOutput {
 public:
  explicit DescriptorOutput(int fd) : fd_(fd) {}
  ~DescriptorOutput() override { Drain(); }

  // The system's error number of the first failed write; 0 while none failed.
  int error() const { return error_; }

 protected:
  bool Write(const char* data, std::size_t size) override;

 private:
  int fd_;
  int error_ = 0;
};

// Why writing to `out` failed, such as "No space left on device", when its
// buffer is a DescriptorOutput that knows; "" otherwise.
std::string WriteFailureReason(const std::ostream& out);

}  // namespace host
