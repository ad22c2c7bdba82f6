#include "tools/reports_data_source.h"

#include <gmock/gmock.h>

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

TEST(ReportsDataSourceTest, RefusesWhatItCannotPointTheDataSourceAt) {
  TempDir dir;
  WriteFile(dir.File("r.db"), "");
  const std::string none = dir.File("none.db");
  const std::string no_database =
      "quorvia-store: " + none + ": no such database file; 'quorvia-store reports-db " + none + "' makes one\n";
  const struct {
    std::vector<std::string> args;
    int status;
    std::string error;
  } cases[] = {
      {{"reports-dsn", none, "--sysini", dir.File("")}, 1, no_database},
      {{"reports-dsn", none}, 1, no_database},
      {{"reports-dsn", dir.File("r.db"), "--sysini", dir.File("gone")}, 1,
       "quorvia-store: " + dir.File("gone/odbcinst.ini") + ": cannot write: No such file or directory\n"},
      {{"reports-dsn"}, 2, "quorvia-store reports-dsn: FILE is required (see 'quorvia-store reports-dsn --help')\n"},
  };
  for (const auto& c : cases) {
    const testing::ToolRun run = RunTool(c.args);
    EXPECT_EQ(run.status, c.status) << c.error;
    EXPECT_EQ(run.err, c.error);
  }
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"r.db"});
}

TEST(ReportsDataSourceTest, FindsTheDriverInTheFirstFolderHoldingItOrNamesThePackage) {
  TempDir dir;
  std::filesystem::create_directories(dir.File("b"));
  WriteFile(dir.File("b/libsqlite3odbc.so"), "");
  EXPECT_EQ(FindSqliteDriver({dir.File("a"), dir.File("b")}), dir.File("b/libsqlite3odbc.so"));
  EXPECT_THAT([&] { FindSqliteDriver({dir.File("a"), dir.File("c")}); },
              ::testing::ThrowsMessage<std::runtime_error>("the SQLite ODBC driver libsqlite3odbc.so is not in " +
                                                           dir.File("a") + ", " + dir.File("c") +
                                                           ": install the Debian package libsqliteodbc"));
}

// The data source names the existing database by its absolute path. With
// --sysini the same sections go straight into that folder's files, which
// UpdateCommandTest reads through the driver.
TEST(ReportsDataSourceTest, MakesAUserDataSourceThroughOdbcinstRegisteringTheDriverOnce) {
  // unixODBC reads the user's data sources from $ODBCINI and the drivers
  // from $ODBCSYSINI, so nothing outside the test's folder changes.
  TempDir dir;
  WriteFile(dir.File("r.db"), "");
  WriteFile(dir.File("odbcinst.ini"), "");
  const std::map<std::string, std::string> env{{"ODBCINI", dir.File("user.ini")}, {"ODBCSYSINI", dir.File("")}};
  const std::string relative = std::filesystem::relative(dir.File("r.db")).string();
  for (int run = 0; run < 2; ++run) {
    const e2e::ProcessResult result = e2e::Run(QUORVIA_STORE_PROGRAM, {"reports-dsn", relative}, env);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "");
  }
  const std::string driver = FindSqliteDriver(SqliteDriverFolders());
  // odbcinst ends each section with an empty line.
  EXPECT_EQ(ReadFile(dir.File("user.ini")), "[QuorviaReports]\nDescription=Quorvia CRM reports database\nDriver=SQLite3\n"
                                            "Database=" + dir.File("r.db") + "\nNoCreat=1\nStepAPI=1\nTimeout=30000\n\n");
  EXPECT_EQ(ReadFile(dir.File("odbcinst.ini")), "[SQLite3]\nDescription=SQLite3 ODBC Driver\nDriver=" + driver +
                                                   "\nSetup=" + driver + "\nUsageCount=1\n\n");
}

}  // namespace
}  // namespace storetool
