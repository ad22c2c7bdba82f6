#include "app/run_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "host/store/test_store.h"

namespace app {
namespace {

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::istringstream in(line);
  for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
  return fields;
}

mode_t Mode(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

TEST(RunLogTest, IsPlacedByTheStateHomeAndCanBeTurnedOff) {
  struct Case {
    LogEnvironment environment;
    std::optional<std::string> path;
  };
  const Case cases[] = {
      {{"", "/state", "/home/u"}, "/state/quorvia/utilities.log"},
      {{"", "relative", "/home/u"}, "/home/u/.local/state/quorvia/utilities.log"},
      {{"", "", "/home/u"}, "/home/u/.local/state/quorvia/utilities.log"},
      {{"1", "", "/home/u"}, "/home/u/.local/state/quorvia/utilities.log"},
      {{"0", "/state", "/home/u"}, std::nullopt},
      {{"", "", ""}, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RunLogPath(c.environment), c.path)
        << c.environment.quorvia_log << "|" << c.environment.xdg_state_home << "|"
        << c.environment.home;
  }
}

TEST(RunLogTest, RunIdentitiesAreUniqueUuidsWithALocalTimeAndOffset) {
  const RunIdentity first = RunIdentity::Start();
  const RunIdentity second = RunIdentity::Start();
  const std::regex uuid("[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}");
  EXPECT_TRUE(std::regex_match(first.id, uuid)) << first.id;
  EXPECT_NE(first.id, second.id);
  EXPECT_TRUE(std::regex_match(first.started,
                               std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d)")))
      << first.started;
  EXPECT_EQ(first.pid, getpid());
  EXPECT_FALSE(first.user.empty());
}

TEST(RunLogTest, WritesOneEscapedLinePerRunInAPrivateFolderAndFile) {
  store::testing::TempDir dir;
  const std::string path = dir.File("state/quorvia/utilities.log");
  const RunIdentity run{"id-1", "2026-12-06T19:24:04+01:00", "ann", 42};
  AppendRunLog(path, run, "Merge;E1;;A\tB;C\\D", 4, "first line\nsecond line");
  AppendRunLog(path, run, "Realign;M\xFCller", 0, "");

  const std::vector<std::string> lines = Lines(path);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0],
            "id-1\t2026-12-06T19:24:04+01:00\tann\t42\tMerge;E1;;A\\tB;C\\\\D\t4\t"
            "first line\\nsecond line");
  EXPECT_EQ(Fields(lines[1]), (std::vector<std::string>{"id-1", "2026-12-06T19:24:04+01:00",
                                                        "ann", "42", "Realign;M\\xFCller", "0"}));
  EXPECT_EQ(Mode(dir.File("state/quorvia")), 0700u);
  EXPECT_EQ(Mode(path), 0600u);
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
  std::vector<std::string> lines = Lines(path + ".1");
  ASSERT_FALSE(lines.empty()) << "the log was never rotated";
  const std::vector<std::string> current = Lines(path);
  lines.insert(lines.end(), current.begin(), current.end());
  std::set<std::string> runs;
  for (const std::string& line : lines) {
    const std::vector<std::string> fields = Fields(line);
    ASSERT_EQ(fields.size(), 7u) << line.substr(0, 80);
    EXPECT_EQ(fields[6], reason);
    runs.insert(fields[0] + "/" + fields[3]);
  }
  EXPECT_EQ(runs.size(), lines.size()) << "a line was written twice";
  EXPECT_LE(std::filesystem::file_size(path), 50000u + kProcesses * 400u);
  EXPECT_FALSE(std::filesystem::exists(path + ".2"));
}

}  // namespace
}  // namespace app
