#include "tools/progress_meter.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace storetool {
namespace {

constexpr auto kInterval = std::chrono::milliseconds(200);
constexpr std::uint64_t kBarWidth = 30;
// Narrower than this, the bar says nothing: the figures are shown alone.
constexpr std::uint64_t kNarrowestBar = 10;

}  // namespace

std::size_t ProgressMeter::StandardErrorColumns() {
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  const char* columns = std::getenv("COLUMNS");
  const long given = columns != nullptr ? std::strtol(columns, nullptr, 10) : 0;
  return given > 0 ? static_cast<std::size_t>(given) : 80;
}

ProgressMeter::ProgressMeter(std::ostream* terminal, std::string what, Unit unit, Clock clock, Columns columns)
    : terminal_(terminal), what_(std::move(what)), unit_(unit), clock_(std::move(clock)), columns_(std::move(columns)) {
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
  // A line in the last column makes some terminals wrap it.
  const std::size_t room = std::max<std::size_t>(columns_(), 2) - 1;
  const char* unit = unit_ == Unit::kItems ? " items" : " MB";
  std::string line;
  if (total == 0) {
    line = what_ + ": " + Number(done) + unit;
  } else {
    done = std::min(done, total);
    const std::string figures =
        std::to_string(done * 100 / total) + "% (" + Number(done) + " of " + Number(total) + unit + ")";
    const std::size_t around_bar = what_.size() + 4 + figures.size();  // " [" and "] "
    if (room >= around_bar + kNarrowestBar) {
      const std::uint64_t width = std::min<std::uint64_t>(kBarWidth, room - around_bar);
      const std::uint64_t filled = done * width / total;
      line = what_ + " [" + std::string(filled, '#') + std::string(width - filled, '.') + "] " + figures;
    } else {
      line = what_ + ": " + figures;
    }
  }
  if (line.size() > room) line.resize(room);
  return line;
}

std::string ProgressMeter::Number(std::uint64_t count) const {
  if (unit_ == Unit::kItems) return std::to_string(count);
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", static_cast<double>(count) / 1e6);
  return text;
}

}  // namespace storetool
