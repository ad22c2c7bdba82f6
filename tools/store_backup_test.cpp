#include "tools/store_backup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "host/store/schema.h"
#include "tools/tool_test_support.h"

namespace storetool {
namespace {

using store::testing::CountOf;
using testing::RunTool;
using testing::TempDir;

void AddFolder(store::Database& db, const std::string& entry_id) {
  db.Exec(("INSERT INTO folders (entry_id, parent, name, default_message_class) VALUES ('" + entry_id +
           "', 1, 'Written', 'IPM.Post')").c_str());
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

// backup FILE and export --output FILE make a new private file in a folder
// that exists, never replacing one.
TEST(StoreBackupTest, CopiesTheWholeStoreAndNeverReplacesAFile) {
  TempDir dir;
  const std::string path = dir.File("crm.db");
  ASSERT_EQ(RunTool({"--store", path, "demo", "--accounts", "20"}).status, 0);
  const std::string exported = RunTool({"--store", path, "export"}).out;
  testing::WriteFile(dir.File("precious"), "x");
  for (const std::string name : {"backup", "export"}) {
    const auto run = [&](const std::string& file) {
      std::vector<std::string> args = {"--store", path, name, file};
      if (name == "export") args.insert(args.end() - 1, "--output");
      return RunTool(args);
    };
    const std::string copy = dir.File(name + ".copy");
    const testing::ToolRun made = run(copy);
    EXPECT_EQ(made.status, 0) << name << ": " << made.err;
    EXPECT_EQ(name == "backup" ? RunTool({"--store", copy, "export"}).out : testing::ReadFile(copy), exported) << name;
    EXPECT_EQ(std::filesystem::status(copy).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write) << name;

    // The refusal's words are StoreCommandsTest's.
    EXPECT_EQ(run(dir.File("precious")).status, 1) << name;
    EXPECT_EQ(testing::ReadFile(dir.File("precious")), "x");
    const testing::ToolRun nowhere = run(dir.File("missing/copy"));
    EXPECT_EQ(nowhere.status, 1) << name;
    EXPECT_EQ(nowhere.err, "quorvia-store: " + dir.File("missing/copy") + ": the folder " + dir.File("missing") +
                               " does not exist\n") << name;
    EXPECT_EQ(run(dir.File("precious/copy")).status, 1) << name;
  }
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"backup.copy", "crm.db", "export.copy", "precious"}));
}

}  // namespace
}  // namespace storetool
