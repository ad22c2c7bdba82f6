#include <iostream>
#include <string>
#include <vector>

#include "tools/store_commands.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + 1, argv + argc);
  const int status =
      storetool::RunStoreTool(args, store::Environment::FromProcess(), std::cin, std::cout, std::cerr);
  std::cout.flush();
  return status;
}
