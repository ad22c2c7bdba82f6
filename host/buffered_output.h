#pragma once

#include <cstddef>
#include <streambuf>
#include <vector>

namespace host {

// A stream buffer that collects output and hands it on in large pieces
// through Write.
class BufferedOutput : public std::streambuf {
 protected:
  BufferedOutput();

  // Hands on `size` bytes; false when they could not all be written.
  virtual bool Write(const char* data, std::size_t size) = 0;
  // Hands on what is collected; false when Write failed. Destructors of
  // derived classes call it, as this destructor cannot reach their Write.
  bool Drain();

  int_type overflow(int_type c) override;
  int sync() override;

 private:
  std::vector<char> buffer_;
};

}  // namespace host
