#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>

namespace bench {

// What one write to a store cost its write-ahead log: the frames the log
// holds afterwards, and the pages of the file that differ between before
// and after (both checkpointed).
struct LogGrowth {
  std::int64_t frames = 0;
  std::int64_t pages_changed = 0;
};

// Runs `write` on the checkpointed store at `path` and measures its log. A
// connection held open meanwhile keeps the log from being removed when the
// writer's own connection closes; the store is checkpointed again at the end.
LogGrowth MeasureLogGrowth(const std::filesystem::path& path, const std::function<void()>& write);

}  // namespace bench
