#include "tools/store_file.h"

#include <gmock/gmock.h>
#include <unistd.h>

#include "host/store/schema.h"
#include "tools/tool_test_support.h"

namespace storetool {
namespace {

using testing::RunTool;
using testing::TempDir;

TEST(StoreFileTest, RemovesTheLeftoversOfEndedProcessesOnly) {
  TempDir dir;
  const std::string ended = std::to_string(store::testing::EndedProcess());
  const std::string ended_temp = ".s.db.new-" + ended + "-0A1B2C3D";
  const std::vector<std::string> kept = {
      ".other.db.new-" + ended + "-0A1B2C3D",                        // another store's
      ".s.db.new-" + std::to_string(getppid()) + "-0A1B2C3D",        // a running process's
      ".s.db.new-" + std::to_string(getpid()) + "-0A1B2C3D-wal",     // this process's own
      ".s.db.new-1C2D3E",                                            // names no process
  };
  for (const std::string& name : kept) testing::WriteFile(dir.File(name), "x");
  std::vector<std::string> expected = kept;
  expected.push_back("s.db");
  // Commands that only read tidy up too.
  for (const char* command : {"init", "ls"}) {
    for (const char* suffix : {"", "-wal", "-journal"}) testing::WriteFile(dir.File(ended_temp + suffix), "x");
    ASSERT_EQ(RunTool({"--store", dir.File("s.db"), command}).status, 0) << command;
    EXPECT_THAT(dir.Entries(), ::testing::UnorderedElementsAreArray(expected)) << command;
  }
}

TEST(StoreFileTest, ErrorsAboutTheTemporaryFileNameTheStore) {
  TempDir dir;
  const std::string path = dir.File("s.db");
  try {
    NewStoreFile target(path);
    target.Make([](const std::string& temp_path) {
      auto db = store::CreateStore(temp_path, "AB", "16.0");
      db->Exec("CREATE TABLE filler (text)");
      db->Exec("PRAGMA max_page_count = 40");
      store::Statement insert(*db, "INSERT INTO filler VALUES (zeroblob(4000))");
      for (;;) {
        insert.Run();
        insert.Reset();
      }
    });
    ADD_FAILURE() << "the store never filled up";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()), "the disk holding the CRM store " + path + " is full");
  }
  EXPECT_TRUE(dir.Entries().empty());
}

}  // namespace
}  // namespace storetool
