#include "tools/reports_data_source.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <stdexcept>

#include "tests/e2e/child_process.h"
#include "tools/tool_test_support.h"

namespace storetool {
namespace {

using testing::ReadFile;
using testing::RunTool;
using testing::TempDir;
using testing::WriteFile;

constexpr char kOdbcIni[] =
    "[QuorviaReports]\nDescription=Quorvia CRM reports database\nDriver=SQLite3\nDatabase=DIR/r.db\nNoCreat=1\nStepAPI=1\nTimeout=30000\n";

// `text` with every "DIR" replaced by the test's folder.
std::string InDir(std::string text, const TempDir& dir) {
  const std::string folder = std::filesystem::path(dir.File("")).parent_path().string();
  for (auto at = text.find("DIR"); at != std::string::npos; at = text.find("DIR", at + folder.size())) {
    text.replace(at, 3, folder);
  }
  return text;
}

TEST(ReportsDataSourceTest, WritesTheSystemFilesForAnExistingDatabaseByItsAbsolutePath) {
  TempDir dir;
  WriteFile(dir.File("r.db"), "");
  const std::string driver = FindSqliteDriver(SqliteDriverFolders());
  const std::string relative = std::filesystem::relative(dir.File("r.db")).string();
  const testing::ToolRun run = RunTool({"reports-dsn", relative, "--sysini", dir.File("")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadFile(dir.File("odbc.ini")), InDir(kOdbcIni, dir));
  EXPECT_EQ(ReadFile(dir.File("odbcinst.ini")),
            "[SQLite3]\nDescription=SQLite3 ODBC Driver\nDriver=" + driver + "\nSetup=" + driver + "\n");
}

TEST(ReportsDataSourceTest, RefusesWhatItCannotPointTheDataSourceAt) {
  TempDir dir;
  WriteFile(dir.File("r.db"), "");
  const struct {
    std::vector<std::string> args;
    int status;
    std::string error;
  } cases[] = {
      {{"reports-dsn", dir.File("none.db"), "--sysini", dir.File("")}, 1,
       "quorvia-store: DIR/none.db: no such database file; 'quorvia-store reports-db DIR/none.db' makes one\n"},
      {{"reports-dsn", dir.File("none.db")}, 1,
       "quorvia-store: DIR/none.db: no such database file; 'quorvia-store reports-db DIR/none.db' makes one\n"},
      {{"reports-dsn", dir.File("r.db"), "--sysini", dir.File("gone")}, 1,
       "quorvia-store: DIR/gone/odbcinst.ini: cannot write: No such file or directory\n"},
      {{"reports-dsn"}, 2, "quorvia-store reports-dsn: FILE is required (see 'quorvia-store reports-dsn --help')\n"},
  };
  for (const auto& c : cases) {
    const testing::ToolRun run = RunTool(c.args);
    const std::string error = InDir(c.error, dir);
    EXPECT_EQ(run.status, c.status) << error;
    EXPECT_EQ(run.err, error);
  }
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"r.db"});
}

TEST(ReportsDataSourceTest, FindsTheDriverInTheFirstFolderHoldingItOrNamesThePackage) {
  TempDir dir;
  std::filesystem::create_directories(dir.File("b"));
  WriteFile(dir.File("b/libsqlite3odbc.so"), "");
  EXPECT_EQ(FindSqliteDriver({dir.File("a"), dir.File("b")}), dir.File("b/libsqlite3odbc.so"));
  try {
    FindSqliteDriver({dir.File("a"), dir.File("c")});
    ADD_FAILURE() << "no driver was found";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()), "the SQLite ODBC driver libsqlite3odbc.so is not in " + dir.File("a") + ", " +
                                             dir.File("c") + ": install the Debian package libsqliteodbc");
  }
}

TEST(ReportsDataSourceTest, MakesAUserDataSourceThroughOdbcinstRegisteringTheDriverOnce) {
  // unixODBC reads the user's data sources from $ODBCINI and the drivers
  // from $ODBCSYSINI, so nothing outside the test's folder changes.
  TempDir dir;
  WriteFile(dir.File("r.db"), "");
  WriteFile(dir.File("odbcinst.ini"), "");
  const std::map<std::string, std::string> env{{"ODBCINI", dir.File("user.ini")}, {"ODBCSYSINI", dir.File("")}};
  for (int run = 0; run < 2; ++run) {
    e2e::ChildProcess tool(QUORVIA_STORE_PROGRAM, {"reports-dsn", dir.File("r.db")}, env, "");
    const e2e::ProcessResult result = tool.Wait();
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "");
  }
  const std::string driver = FindSqliteDriver(SqliteDriverFolders());
  // odbcinst ends each section with an empty line.
  EXPECT_EQ(ReadFile(dir.File("user.ini")), InDir(kOdbcIni, dir) + "\n");
  EXPECT_EQ(ReadFile(dir.File("odbcinst.ini")), "[SQLite3]\nDescription=SQLite3 ODBC Driver\nDriver=" + driver +
                                                   "\nSetup=" + driver + "\nUsageCount=1\n\n");
}

}  // namespace
}  // namespace storetool
