#include "tools/progress_meter.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace storetool {
namespace {

using Unit = ProgressMeter::Unit;

// One call of Update, `at` milliseconds after the meter was made.
struct Step {
  int at;
  std::uint64_t done;
  std::uint64_t total;
};

// Everything a meter writes on a terminal of `columns` while its clock
// stands still between the steps: the lines it draws, then the line it
// erases (as wide as the widest it drew) when it goes.
TEST(ProgressMeterTest, DrawsAtMostFiveTimesASecondWithinTheTerminalsWidthAndErasesItsLine) {
  const struct {
    const char* what;
    Unit unit;
    std::size_t columns;
    std::vector<Step> steps;
    std::string lines;
    std::size_t erased;
  } cases[] = {
      {"demo", Unit::kItems, 200, {{0, 1, 10}, {199, 2, 10}, {200, 3, 10}, {300, 4, 10}, {400, 10, 10}},
       "\rdemo [#########.....................] 30% (3 of 10 items)"
       "\rdemo [##############################] 100% (10 of 10 items)",
       59},
      {"export", Unit::kBytes, 200, {{200, 1'500'000, 0}, {400, 12'000'000, 0}}, "\rexport: 1.5 MB\rexport: 12.0 MB", 15},
      {"export", Unit::kBytes, 200, {{200, 1'500'000, 4'000'000}, {400, 12'000'000, 0}},
       "\rexport [###########...................] 37% (1.5 of 4.0 MB)\rexport: 12.0 MB" + std::string(44, ' '), 59},
      {"export", Unit::kItems, 200, {{200, 1'500'000, 0}, {400, 12'000'000, 0}},
       "\rexport: 1500000 items\rexport: 12000000 items", 22},
      {"demo", Unit::kItems, 80, {{200, 3, 10}}, "\rdemo [#########.....................] 30% (3 of 10 items)", 57},
      {"demo", Unit::kItems, 40, {{200, 3, 10}}, "\rdemo [###.........] 30% (3 of 10 items)", 39},
      {"demo", Unit::kItems, 37, {{200, 3, 10}}, "\rdemo: 30% (3 of 10 items)", 25},
      {"demo", Unit::kItems, 20, {{200, 3, 10}}, "\rdemo: 30% (3 of 10 ", 19},
  };
  for (const auto& c : cases) {
    const std::chrono::steady_clock::time_point made{};
    std::chrono::steady_clock::time_point now = made;
    std::ostringstream terminal;
    {
      ProgressMeter meter(&terminal, c.what, c.unit, [&] { return now; }, [&] { return c.columns; });
      for (const Step& step : c.steps) {
        now = made + std::chrono::milliseconds(step.at);
        meter.Update(step.done, step.total);
      }
      EXPECT_EQ(terminal.str(), c.lines) << c.columns << " columns: " << c.lines;
    }
    EXPECT_EQ(terminal.str(), c.lines + "\r" + std::string(c.erased, ' ') + "\r") << c.lines;
  }
}

}  // namespace
}  // namespace storetool
