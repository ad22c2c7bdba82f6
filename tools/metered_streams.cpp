#include "tools/metered_streams.h"

namespace storetool {

MeteredInput::MeteredInput(std::streambuf& source, ProgressMeter& meter, std::uint64_t total)
    : source_(source), meter_(meter), total_(total), buffer_(1 << 16) {}

MeteredInput::int_type MeteredInput::underflow() {
  const std::streamsize got = source_.sgetn(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
  if (got <= 0) return traits_type::eof();
  setg(buffer_.data(), buffer_.data(), buffer_.data() + got);
  done_ += static_cast<std::uint64_t>(got);
  meter_.Update(done_, total_);
  return traits_type::to_int_type(buffer_[0]);
}

bool MeteredOutput::Write(const char* data, std::size_t size) {
  const std::streamsize written = sink_.sputn(data, static_cast<std::streamsize>(size));
  done_ += static_cast<std::uint64_t>(written > 0 ? written : 0);
  meter_.Update(done_);
  return written == static_cast<std::streamsize>(size);
}

int MeteredOutput::sync() { return host::BufferedOutput::sync() == 0 && sink_.pubsync() == 0 ? 0 : -1; }

}  // namespace storetool
