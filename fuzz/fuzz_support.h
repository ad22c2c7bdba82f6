#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// What the fuzz targets share: reporting a broken property, and reading the
// parts of an input one after the other.
namespace fuzz {

// Writes "fuzz property broken: WHAT" to standard error and aborts, which
// libFuzzer and the corpus runner both report as a failure.
[[noreturn]] void Broken(const std::string& what);

// Reads an input from its front: single bytes for choices, the rest as text.
// Past the end, every byte reads as 0.
class InputReader {
 public:
  InputReader(const std::uint8_t* data, std::size_t size)
      : rest_(reinterpret_cast<const char*>(data), size) {}

  // The next byte.
  std::uint8_t Byte();
  // The next byte modulo `count` (count > 0): a choice among `count` options.
  std::size_t Choose(std::size_t count) { return Byte() % count; }
  // Everything not read yet.
  std::string_view Rest() const { return rest_; }

 private:
  std::string_view rest_;
};

}  // namespace fuzz
