#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "host/store/test_store.h"
#include "tests/e2e/child_process.h"

namespace storetool {
namespace {

using store::testing::TempDir;

TEST(StoreInterruptTest, ASignalDuringImportOrDemoLeavesNothingBehind) {
  const e2e::DefaultSignals defaults;
  for (const int signal_number : e2e::DefaultSignals::kSignals) {
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
      ASSERT_TRUE(e2e::WaitForEntry(dir.File(""), "made")) << shown;
      ASSERT_TRUE(e2e::WaitForEntry(dir.File("made"), ".s.db.new-")) << shown;
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
