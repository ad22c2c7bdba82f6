#include "tools/progress_meter.h"

#include <algorithm>
#include <cstdio>

namespace storetool {
namespace {

constexpr auto kInterval = std::chrono::milliseconds(200);
constexpr std::uint64_t kBarWidth = 30;

}  // namespace

ProgressMeter::ProgressMeter(std::ostream* terminal, std::string what, Unit unit, Clock clock)
    : terminal_(terminal), what_(std::move(what)), unit_(unit), clock_(std::move(clock)) {
  if (terminal_ != nullptr) next_draw_ = clock_() + kInterval;
}

ProgressMeter::~ProgressMeter() {
  if (drawn_width_ == 0) return;
  *terminal_ << '\r' << std::string(drawn_width_, ' ') << '\r' << std::flush;
}

void ProgressMeter::Update(std::uint64_t done, std::uint64_t total) {
  if (terminal_ == nullptr) return;
  const auto now = clock_();
  if (now < next_draw_) return;
  next_draw_ = now + kInterval;
  const std::string line = Line(done, total);
  // Pads over the rest of a longer line drawn before.
  *terminal_ << '\r' << line << std::string(drawn_width_ > line.size() ? drawn_width_ - line.size() : 0, ' ')
             << std::flush;
  drawn_width_ = std::max(drawn_width_, line.size());
}

std::string ProgressMeter::Line(std::uint64_t done, std::uint64_t total) const {
  const char* unit = unit_ == Unit::kItems ? " items" : " MB";
  if (total == 0) return what_ + ": " + Number(done) + unit;
  if (done > total) done = total;
  const std::uint64_t filled = done * kBarWidth / total;
  return what_ + " [" + std::string(filled, '#') + std::string(kBarWidth - filled, '.') + "] " +
         std::to_string(done * 100 / total) + "% (" + Number(done) + " of " + Number(total) + unit + ")";
}

std::string ProgressMeter::Number(std::uint64_t count) const {
  if (unit_ == Unit::kItems) return std::to_string(count);
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", static_cast<double>(count) / 1e6);
  return text;
}

}  // namespace storetool
