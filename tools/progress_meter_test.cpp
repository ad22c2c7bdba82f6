#include "tools/progress_meter.h"

#include <gtest/gtest.h>

#include <sstream>

namespace storetool {
namespace {

using std::chrono::milliseconds;

// A terminal wider than any line the tests draw.
const ProgressMeter::Columns kWide = [] { return std::size_t{200}; };

// A clock that stands still until the test moves it.
struct FakeClock {
  std::chrono::steady_clock::time_point now{};
  ProgressMeter::Clock Function() {
    return [this] { return now; };
  }
};

TEST(ProgressMeterTest, DrawsAtMostFiveTimesASecondAndErasesItsLine) {
  FakeClock clock;
  std::ostringstream terminal;
  {
    ProgressMeter meter(&terminal, "demo", ProgressMeter::Unit::kItems, clock.Function(), kWide);
    meter.Update(1, 10);
    clock.now += milliseconds(199);
    meter.Update(2, 10);
    EXPECT_EQ(terminal.str(), "") << "drawn before a fifth of a second";
    clock.now += milliseconds(1);
    meter.Update(3, 10);
    clock.now += milliseconds(100);
    meter.Update(4, 10);
    clock.now += milliseconds(100);
    meter.Update(10, 10);
    EXPECT_EQ(terminal.str(), "\rdemo [#########.....................] 30% (3 of 10 items)"
                              "\rdemo [##############################] 100% (10 of 10 items)");
  }
  EXPECT_EQ(terminal.str().substr(terminal.str().rfind('\r', terminal.str().size() - 2)),
            "\r" + std::string(59, ' ') + "\r");
}

TEST(ProgressMeterTest, ShowsACounterWithoutATotalAndPadsOverLongerLines) {
  const struct {
    ProgressMeter::Unit unit;
    std::uint64_t first_total;
    std::string lines;
  } cases[] = {
      {ProgressMeter::Unit::kBytes, 0, "\rexport: 1.5 MB\rexport: 12.0 MB"},
      {ProgressMeter::Unit::kBytes, 4'000'000, "\rexport [###########...................] 37% (1.5 of 4.0 MB)"
                                               "\rexport: 12.0 MB" + std::string(44, ' ')},
      {ProgressMeter::Unit::kItems, 0, "\rexport: 1500000 items\rexport: 12000000 items"},
  };
  for (const auto& c : cases) {
    FakeClock clock;
    std::ostringstream terminal;
    ProgressMeter meter(&terminal, "export", c.unit, clock.Function(), kWide);
    clock.now += milliseconds(200);
    meter.Update(1'500'000, c.first_total);
    clock.now += milliseconds(200);
    meter.Update(12'000'000);
    EXPECT_EQ(terminal.str(), c.lines) << c.first_total;
  }
}

TEST(ProgressMeterTest, FitsItsLineToTheTerminalsWidth) {
  const struct {
    std::size_t columns;
    std::string line;
  } cases[] = {
      {80, "\rdemo [#########.....................] 30% (3 of 10 items)"},
      {40, "\rdemo [###.........] 30% (3 of 10 items)"},
      {37, "\rdemo: 30% (3 of 10 items)"},
      {20, "\rdemo: 30% (3 of 10 "},
  };
  for (const auto& c : cases) {
    FakeClock clock;
    std::ostringstream terminal;
    ProgressMeter meter(&terminal, "demo", ProgressMeter::Unit::kItems, clock.Function(), [&] { return c.columns; });
    clock.now += milliseconds(200);
    meter.Update(3, 10);
    EXPECT_EQ(terminal.str(), c.line) << c.columns << " columns";
    EXPECT_LT(terminal.str().size(), std::max<std::size_t>(c.columns, 2) + 1) << c.columns << " columns";
  }
}

TEST(ProgressMeterTest, WithoutATerminalShowsNothing) {
  FakeClock clock;
  int clock_reads = 0;
  {
    ProgressMeter meter(nullptr, "demo", ProgressMeter::Unit::kItems, [&] {
      ++clock_reads;
      return clock.now;
    }, kWide);
    for (int i = 0; i < 3; ++i) meter.Update(static_cast<std::uint64_t>(i), 3);
  }
  EXPECT_EQ(clock_reads, 0);
}

}  // namespace
}  // namespace storetool
