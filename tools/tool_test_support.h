#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "host/store/test_store.h"
#include "tools/store_commands.h"

namespace storetool::testing {

using store::testing::ReadFile;
using store::testing::TempDir;
using store::testing::WriteFile;

// What one run of the tool did.
struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the tool in-process with `args`, standard input `input`, and an
// environment that names no store.
inline ToolRun RunTool(const std::vector<std::string>& args, const std::string& input = "") {
  std::istringstream in(input);
  std::ostringstream out, err;
  ToolRun run;
  run.status = RunStoreTool(args, store::Environment{}, in, out, err);
  run.out = out.str();
  run.err = err.str();
  return run;
}

}  // namespace storetool::testing
