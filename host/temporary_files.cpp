#include "host/temporary_files.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace host {
namespace {

constexpr std::string_view kMark = ".new-";

// The process named by the rest of a temporary name after the mark
// ("PID-..."); 0 when it names none.
pid_t MakerOf(std::string_view rest) {
  const std::size_t dash = rest.find('-');
  if (dash == 0 || dash == std::string_view::npos || dash > 9) return 0;
  for (std::size_t i = 0; i < dash; ++i) {
    if (rest[i] < '0' || rest[i] > '9') return 0;
  }
  return static_cast<pid_t>(std::stol(std::string(rest.substr(0, dash))));
}

bool HasEnded(pid_t process) { return ::kill(process, 0) != 0 && errno == ESRCH; }

}  // namespace

std::string TemporaryName(std::string_view name, std::string_view tag) {
  std::string temporary = ".";
  temporary.append(name).append(kMark).append(std::to_string(::getpid())).append("-").append(tag);
  return temporary;
}

void RemoveLeftovers(const std::filesystem::path& folder, const std::function<bool(std::string_view name)>& is_ours) {
  std::error_code error;
  for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
       entry.increment(error)) {
    const std::string file = entry->path().filename().string();
    // The last mark: a name may hold one too.
    const std::size_t mark = file.rfind(kMark);
    if (file[0] != '.' || mark == std::string::npos || mark == 0) continue;
    const std::string_view name = std::string_view(file).substr(1, mark - 1);
    if (!is_ours(name)) continue;
    const pid_t maker = MakerOf(std::string_view(file).substr(mark + kMark.size()));
    if (maker > 0 && maker != ::getpid() && HasEnded(maker)) {
      std::error_code ignored;
      std::filesystem::remove(entry->path(), ignored);
    }
  }
}

}  // namespace host
