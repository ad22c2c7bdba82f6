#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "host/descriptor_output.h"
#include "tools/store_commands.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  // Standard output through a buffer that keeps the reason of a failed write.
  host::DescriptorOutput standard_output(STDOUT_FILENO);
  std::ostream out(&standard_output);
  const std::vector<std::string> args(argv + 1, argv + argc);
  return storetool::RunStoreTool(args, store::Environment::FromProcess(), std::cin, out, std::cerr,
                                 ::isatty(STDERR_FILENO) == 1);
}
