#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

namespace storetool {

// A one-line progress display for long work: a bar when the total is known,
// a counter when it is not. It draws at most five times a second, only on
// the terminal it is given, within that terminal's width, and erases its
// line when it goes.
class ProgressMeter {
 public:
  enum class Unit { kItems, kBytes };
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  // The terminal's width in columns, asked at each drawing.
  using Columns = std::function<std::size_t()>;

  // The width of the terminal on standard error, else $COLUMNS, else 80.
  static std::size_t StandardErrorColumns();

  // Shows `what` (such as "demo") on `terminal`; a null terminal shows
  // nothing. The first line appears a fifth of a second after construction,
  // so work that ends sooner shows none.
  ProgressMeter(std::ostream* terminal, std::string what, Unit unit, Clock clock = std::chrono::steady_clock::now,
                Columns columns = StandardErrorColumns);
  ~ProgressMeter();
  ProgressMeter(const ProgressMeter&) = delete;
  ProgressMeter& operator=(const ProgressMeter&) = delete;

  // `done` of `total` (0: not known) units are finished. Cheap when nothing
  // is drawn.
  void Update(std::uint64_t done, std::uint64_t total = 0);

 private:
  std::string Line(std::uint64_t done, std::uint64_t total) const;
  std::string Number(std::uint64_t count) const;

  std::ostream* terminal_;
  std::string what_;
  Unit unit_;
  Clock clock_;
  Columns columns_;
  std::chrono::steady_clock::time_point next_draw_;
  std::size_t drawn_width_ = 0;
};

}  // namespace storetool
