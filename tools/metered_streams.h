#pragma once

#include <cstdint>
#include <streambuf>
#include <vector>

#include "host/buffered_output.h"
#include "tools/progress_meter.h"

namespace storetool {

// Reads `source` through a buffer of its own and shows the bytes read so
// far, of `total` (0: not known), on `meter`.
class MeteredInput : public std::streambuf {
 public:
  MeteredInput(std::streambuf& source, ProgressMeter& meter, std::uint64_t total);

 protected:
  int_type underflow() override;

 private:
  std::streambuf& source_;
  ProgressMeter& meter_;
  std::uint64_t total_;
  std::uint64_t done_ = 0;
  std::vector<char> buffer_;
};

// Writes to `sink` and shows the bytes written so far on `meter`. A write
// or flush that `sink` refuses fails here too.
class MeteredOutput : public host::BufferedOutput {
 public:
  MeteredOutput(std::streambuf& sink, ProgressMeter& meter) : sink_(sink), meter_(meter) {}
  ~MeteredOutput() override { Drain(); }

 protected:
  bool Write(const char* data, std::size_t size) override;
  int sync() override;

 private:
  std::streambuf& sink_;
  ProgressMeter& meter_;
  std::uint64_t done_ = 0;
};

}  // namespace storetool
