#include "app/run_log.h"

#include <gmock/gmock.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "host/store/test_store.h"

namespace app {
namespace {

using Lines = std::vector<std::vector<std::string>>;
using store::testing::ReadFile;
using store::testing::TabSeparatedLines;

TEST(RunLogTest, IsPlacedByTheStateHomeAndCanBeTurnedOff) {
  const struct {
    LogEnvironment environment;
    std::optional<std::string> path;
  } cases[] = {
      {{"", "/state", "/home/u"}, "/state/quorvia/utilities.log"},
      {{"", "relative", "/home/u"}, "/home/u/.local/state/quorvia/utilities.log"},
      {{"", "", "/home/u"}, "/home/u/.local/state/quorvia/utilities.log"},
      {{"1", "", "/home/u"}, "/home/u/.local/state/quorvia/utilities.log"},
      {{"0", "/state", "/home/u"}, std::nullopt},
      {{"", "", ""}, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RunLogPath(c.environment), c.path)
        << c.environment.quorvia_log << "|" << c.environment.xdg_state_home << "|"
        << c.environment.home;
  }
}

// That no two runs share an identifier is AccountCommandsTest's.
TEST(RunLogTest, ARunIdentityIsAUuidWithALocalTimeAndOffset) {
  const RunIdentity run = RunIdentity::Start();
  EXPECT_THAT(run.id, ::testing::MatchesRegex("[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}"));
  EXPECT_THAT(run.started,
              ::testing::MatchesRegex("[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}[+-][0-9]{2}:[0-9]{2}"));
  EXPECT_EQ(run.pid, getpid());
  EXPECT_FALSE(run.user.empty());
}

TEST(RunLogTest, WritesOneEscapedLinePerRunInAPrivateFolderAndFile) {
  store::testing::TempDir dir;
  const std::string path = dir.File("state/quorvia/utilities.log");
  const RunIdentity run{"id-1", "2026-12-06T19:24:04+01:00", "ann", 42};
  AppendRunLog(path, run, "Merge;E1;;A\tB;C\\D", 4, "first line\nsecond line");
  AppendRunLog(path, run, "Realign;M\xFCller", 0, "");

  EXPECT_EQ(TabSeparatedLines(ReadFile(path)),
            (Lines{{"id-1", "2026-12-06T19:24:04+01:00", "ann", "42", "Merge;E1;;A\\tB;C\\\\D", "4",
                    "first line\\nsecond line"},
                   {"id-1", "2026-12-06T19:24:04+01:00", "ann", "42", "Realign;M\\xFCller", "0", ""}}));
  EXPECT_EQ(store::testing::FileMode(dir.File("state/quorvia")), 0700u);
  EXPECT_EQ(store::testing::FileMode(path), 0600u);
}

TEST(RunLogTest, ConcurrentRunsNeverInterleaveAndTheLogStaysBounded) {
  store::testing::TempDir dir;
  const std::string path = dir.File("utilities.log");
  constexpr int kProcesses = 4;
  constexpr int kRunsEach = 200;
  const std::string reason(300, 'r');  // lines of about 350 bytes: several rotations
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0; i < kRunsEach; ++i) {
        AppendRunLog(path, {std::string("p").append(std::to_string(p)), "t", "u", i}, "Startup", 0, reason, 50000);
      }
      _exit(0);
    }
    children.push_back(child);
  }
  for (const pid_t child : children) {
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  Lines lines = TabSeparatedLines(ReadFile(path + ".1"));
  ASSERT_FALSE(lines.empty()) << "the log was never rotated";
  const Lines current = TabSeparatedLines(ReadFile(path));
  lines.insert(lines.end(), current.begin(), current.end());
  std::set<std::string> runs;
  for (const std::vector<std::string>& fields : lines) {
    ASSERT_EQ(fields.size(), 7u) << ::testing::PrintToString(fields);
    EXPECT_EQ(fields[6], reason);
    runs.insert(fields[0] + "/" + fields[3]);
  }
  EXPECT_EQ(runs.size(), lines.size()) << "a line was written twice";
  EXPECT_LE(std::filesystem::file_size(path), 50000u + kProcesses * 400u);
  EXPECT_FALSE(std::filesystem::exists(path + ".2"));
}

}  // namespace
}  // namespace app
