#include "fuzz/fuzz_support.h"

#include <cstdlib>
#include <iostream>

namespace fuzz {

void Broken(const std::string& what) {
  std::cerr << "fuzz property broken: " << what << std::endl;
  std::abort();
}

std::uint8_t InputReader::Byte() {
  if (rest_.empty()) return 0;
  const auto byte = static_cast<std::uint8_t>(rest_.front());
  rest_.remove_prefix(1);
  return byte;
}

}  // namespace fuzz
