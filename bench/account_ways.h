#pragma once

#include <cstddef>
#include <iterator>
#include <string>
#include <vector>

#include "bench/bench_support.h"

// The ways accounts_bench runs Merge and Delete, on every engine: the
// program without and with the journal, the two plain SQL ways, and the
// undo of the program's journaled run, in this order.
namespace bench {

inline constexpr const char* kWays[] = {"quorvia-utilities", "quorvia-utilities, journaled", "per item",
                                        "set-based", "quorvia-store undo"};
inline constexpr std::size_t kWayCount = std::size(kWays);
enum : std::size_t { kProgram, kJournaled, kPerItem, kSetBased, kUndo };

// The samples of every measured run of one command per way.
struct CommandTimes {
  std::string engine;
  bool server = false;  // the engine is a server's
  std::string command;
  std::string store;
  WaySamples ways;
};

// The program and the per-item way against the set-based floor, the
// journal's cost and its undo, and how each way grows from SMALL to LARGE,
// engine by engine.
void PrintCommandTimes(const std::vector<CommandTimes>& times);

}  // namespace bench
