#include <iostream>

#include "bench/account_ways.h"

namespace bench {
namespace {

// The program against the set-based way. On a SMALL file the walk of every
// folder is a fixed cost that the set-based way does not pay; a server's
// set-based statements pay round trips and its own planning too.
constexpr double kSmallFileGoal = 1.8;
constexpr double kGoal = 1.3;

double MedianWall(const std::vector<Sample>& samples) { return Median(WallTimes(samples)); }

void PrintAgainstFloor(const std::vector<CommandTimes>& times) {
  WayTable table = NewWayTable({"engine", "command", "store"});
  for (const CommandTimes& time : times) {
    const bool small_file = !time.server && time.store == kSmall.name;
    AddWays(table, {time.engine, time.command, time.store}, {kWays[kProgram], kWays[kPerItem], kWays[kSetBased]},
            {time.ways[kProgram], time.ways[kPerItem], time.ways[kSetBased]}, 2, 0,
            small_file ? kSmallFileGoal : kGoal);
  }
  PrintWays(table);
}

void PrintJournal(const std::vector<CommandTimes>& times) {
  std::cout << "\nthe journal and its undo\n";
  WayTable table = NewWayTable({"engine", "command", "store"});
  for (const CommandTimes& time : times) {
    const std::vector<std::string> prefix = {time.engine, time.command, time.store};
    AddWays(table, prefix, {kWays[kJournaled], kWays[kProgram]}, {time.ways[kJournaled], time.ways[kProgram]}, 1, 0,
            1.2);
    AddWays(table, prefix, {kWays[kUndo], kWays[kJournaled]}, {time.ways[kUndo], time.ways[kJournaled]}, 1, 0, 1.0);
  }
  PrintWays(table);
}

void PrintGrowth(const std::vector<CommandTimes>& times) {
  std::vector<std::vector<std::string>> rows = {
      {"engine", "command", "LARGE/SMALL program", "LARGE/SMALL per item", "LARGE/SMALL set-based"}};
  for (const CommandTimes& small : times) {
    for (const CommandTimes& large : times) {
      if (small.store != kSmall.name || large.store != kLarge.name || small.engine != large.engine ||
          small.command != large.command) {
        continue;
      }
      std::vector<std::string> row = {small.engine, small.command};
      for (std::size_t way : {kProgram, kPerItem, kSetBased}) {
        row.push_back(Fixed(MedianWall(large.ways[way]) / MedianWall(small.ways[way]), 2));
      }
      rows.push_back(row);
    }
  }
  if (rows.size() == 1) return;
  std::cout << "\n";
  PrintTable(rows);
}

}  // namespace

void PrintCommandTimes(const std::vector<CommandTimes>& times) {
  PrintAgainstFloor(times);
  PrintJournal(times);
  PrintGrowth(times);
}

}  // namespace bench
