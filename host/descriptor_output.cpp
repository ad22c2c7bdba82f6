#include "host/descriptor_output.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace host {

bool DescriptorOutput::Write(const char* data, std::size_t size) {
  while (error_ == 0 && size > 0) {
    const ssize_t written = ::write(fd_, data, size);
    if (written > 0) {
      data += written;
      size -= static_cast<std::size_t>(written);
    } else if (written == 0 || errno != EINTR) {
      error_ = written == 0 ? EIO : errno;
    }
  }
  return error_ == 0;
}

std::string WriteFailureReason(const std::ostream& out) {
  const auto* descriptor = dynamic_cast<const DescriptorOutput*>(out.rdbuf());
  return descriptor != nullptr && descriptor->error() != 0 ? std::strerror(descriptor->error()) : "";
}

}  // namespace host
