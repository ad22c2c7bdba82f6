#include "host/buffered_output.h"

namespace host {

BufferedOutput::BufferedOutput() : buffer_(1 << 16) { setp(buffer_.data(), buffer_.data() + buffer_.size()); }

bool BufferedOutput::Drain() {
  const auto pending = static_cast<std::size_t>(pptr() - pbase());
  const bool written = pending == 0 || Write(pbase(), pending);
  setp(buffer_.data(), buffer_.data() + buffer_.size());
  return written;
}

BufferedOutput::int_type BufferedOutput::overflow(int_type c) {
  if (!Drain()) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

int BufferedOutput::sync() { return Drain() ? 0 : -1; }

}  // namespace host
