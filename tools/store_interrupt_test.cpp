#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "host/store/test_store.h"
#include "tests/e2e/child_process.h"

namespace storetool {
namespace {

using store::testing::TempDir;

// Waits until `folder` holds an entry whose name starts with `prefix`;
// false when none comes within 30 s.
bool WaitForEntry(const std::string& folder, const std::string& prefix) {
  const int watch = inotify_init1(IN_CLOEXEC);
  inotify_add_watch(watch, folder.c_str(), IN_CREATE);
  bool found = false;
  // Looks once the watch is set, so an entry made before is not missed.
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    found = found || entry.path().filename().string().rfind(prefix, 0) == 0;
  }
  alignas(inotify_event) char events[4096];
  pollfd ready{watch, POLLIN, 0};
  while (!found && poll(&ready, 1, 30'000) == 1) {
    const ssize_t size = read(watch, events, sizeof events);
    for (ssize_t at = 0; at < size;) {
      const auto* event = reinterpret_cast<const inotify_event*>(events + at);
      found = found || (event->len > 0 && std::string(event->name).rfind(prefix, 0) == 0);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  close(watch);
  return found;
}

// The child gets the default action of each signal, whatever this process
// was started with (nohup, say).
class DefaultSignals {
 public:
  DefaultSignals() {
    for (int i = 0; i < 3; ++i) {
      struct sigaction action {};
      action.sa_handler = SIG_DFL;
      sigaction(kSignals[i], &action, &saved_[i]);
    }
  }
  ~DefaultSignals() {
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &saved_[i], nullptr);
  }
  static constexpr int kSignals[3] = {SIGINT, SIGTERM, SIGHUP};

 private:
  struct sigaction saved_[3] {};
};

TEST(StoreInterruptTest, ASignalDuringImportOrDemoLeavesNothingBehind) {
  const DefaultSignals defaults;
  for (const int signal_number : DefaultSignals::kSignals) {
    for (const bool import : {true, false}) {
      const std::string shown = std::string(import ? "import" : "demo") + ", signal " + std::to_string(signal_number);
      TempDir dir;
      // An import reads a document that never ends; a demo is far too big to end first.
      const std::string fifo = dir.File("document.json");
      ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
      const int writer = open(fifo.c_str(), O_RDWR | O_CLOEXEC);
      const std::string prefix = R"({"format": 1, "folders": [{"name": "Account Profiles", "items": [{}, {}, )";
      ASSERT_EQ(write(writer, prefix.data(), prefix.size()), static_cast<ssize_t>(prefix.size()));
      const std::vector<std::string> args =
          import ? std::vector<std::string>{"--store", dir.File("made/s.db"), "import", fifo}
                 : std::vector<std::string>{"demo", "--accounts", "2000000", "--store", dir.File("made/s.db")};
      e2e::ChildProcess tool(QUORVIA_STORE_PROGRAM, args, {}, "");
      ASSERT_TRUE(WaitForEntry(dir.File(""), "made")) << shown;
      ASSERT_TRUE(WaitForEntry(dir.File("made"), ".s.db.new-")) << shown;
      tool.Kill(signal_number);
      const e2e::ProcessResult result = tool.Wait();
      close(writer);
      EXPECT_EQ(result.status, 128 + signal_number) << shown << ": " << result.err;
      EXPECT_EQ(dir.Entries(), std::vector<std::string>{"document.json"}) << shown;
    }
  }
}

}  // namespace
}  // namespace storetool
