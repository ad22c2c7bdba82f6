#include "tools/store_backup.h"

#include <gtest/gtest.h>

#include <sstream>

#include "host/store/schema.h"
#include "tools/tool_test_support.h"

namespace storetool {
namespace {

using store::testing::CountOf;
using testing::RunTool;
using testing::TempDir;

void AddFolder(store::Database& db, const std::string& entry_id) {
  store::Statement(db, "INSERT INTO folders (entry_id, parent, name, default_message_class) "
                       "VALUES (?, 1, 'Written', 'IPM.Post')")
      .Bind(1, entry_id)
      .Run();
}

TEST(StoreBackupTest, CopiesOneSnapshotWithTheWalWhileAnotherConnectionWrites) {
  TempDir dir;
  const std::string path = dir.File("crm.db");
  ASSERT_EQ(RunTool({"--store", path, "demo", "--accounts", "4000"}).status, 0);
  // Another program's connection: what it commits stays in the -wal file.
  const auto writer = store::OpenStore(path);
  writer->Exec("PRAGMA wal_autocheckpoint = 0");
  AddFolder(*writer, "BEF0");
  ASSERT_GT(std::filesystem::file_size(path + "-wal"), 0u);

  // The meter reads its clock when it is made and after each step of the
  // copy: the other connection writes at those steps, a few times.
  int clock_reads = 0;
  int writes = 0;
  std::ostringstream terminal;
  {
    const auto source = store::OpenStoreReadOnly(path);
    ProgressMeter meter(&terminal, "backup", ProgressMeter::Unit::kBytes, [&] {
      if (clock_reads++ > 0 && writes < 10) AddFolder(*writer, std::string("D").append(std::to_string(++writes)));
      return std::chrono::steady_clock::now();
    });
    BackupStore(*source, dir.File("copy.db"), meter);
  }
  EXPECT_GE(writes, 3) << "the copy took fewer steps than it should";
  const auto copy = store::OpenStore(dir.File("copy.db"));
  EXPECT_EQ(CountOf(*copy, "SELECT count(*) FROM folders WHERE entry_id = 'BEF0'"), 1);
  EXPECT_EQ(CountOf(*copy, "SELECT count(*) FROM folders WHERE entry_id GLOB 'D*'"), 0);
  EXPECT_EQ(CountOf(*writer, "SELECT count(*) FROM folders WHERE entry_id GLOB 'D*'"), writes);
  EXPECT_EQ(RunTool({"--store", dir.File("copy.db"), "check"}).out, "ok\n");
}

TEST(StoreBackupTest, CopiesTheWholeStoreAndNeverReplacesAFile) {
  TempDir dir;
  const std::string path = dir.File("crm.db");
  ASSERT_EQ(RunTool({"--store", path, "demo", "--accounts", "20"}).status, 0);
  const testing::ToolRun made = RunTool({"backup", dir.File("copies/copy.db"), "--store", path});
  EXPECT_EQ(made.status, 0) << made.err;
  EXPECT_EQ(RunTool({"--store", dir.File("copies/copy.db"), "export"}).out, RunTool({"--store", path, "export"}).out);

  testing::WriteFile(dir.File("precious"), "x");
  const testing::ToolRun refused = RunTool({"--store", path, "backup", dir.File("precious")});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err, "quorvia-store: " + dir.File("precious") + ": the file exists already; it is not overwritten\n");
  EXPECT_EQ(testing::ReadFile(dir.File("precious")), "x");
  const testing::ToolRun failed = RunTool({"--store", path, "backup", dir.File("precious/copy.db")});
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"copies", "crm.db", "precious"}));
}

}  // namespace
}  // namespace storetool
