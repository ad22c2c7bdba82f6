#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "host/store/schema.h"
#include "tools/tool_test_support.h"

namespace storetool {
namespace {

using testing::ReadFile;
using testing::RunTool;
using testing::TempDir;

// The small store of an older layout as the program of that layout made it
// (layout 3 after one journaled Merge), and its export by that program.
struct OldLayout {
  int version;
  std::string file = QUORVIA_SOURCE_DIR "/host/store/testdata/layout" + std::to_string(version) + ".db";
  std::string exported = QUORVIA_SOURCE_DIR "/host/store/testdata/layout" + std::to_string(version) + ".json";
};

const OldLayout kOldLayouts[] = {{1}, {2}, {3}};

struct Layout {
  int version = 0;
  std::string property_indexes;  // how each index of properties is made, by name
  bool journal = false;
  bool operator==(const Layout&) const = default;
};

Layout LayoutOf(const std::string& path) {
  const auto db = store::OpenStoreReadOnly(path);
  Layout layout;
  layout.version = static_cast<int>(store::testing::CountOf(*db, "PRAGMA user_version"));
  store::Statement indexes(*db,
                           "SELECT sql FROM sqlite_master WHERE type = 'index' AND tbl_name = 'properties' "
                           "AND sql IS NOT NULL ORDER BY name");
  while (indexes.Step()) layout.property_indexes += indexes.Text(0) + "\n";
  layout.journal = store::testing::CountOf(*db, "SELECT count(*) FROM sqlite_master WHERE name = 'runs'") == 1;
  return layout;
}

const Layout kCurrentLayout = {store::kSchemaVersion,
                               "CREATE INDEX properties_by_key ON properties(folder, name, value, item) "
                               "WHERE name = 'AccountID' OR name = 'Account LocationID'\n",
                               true};

std::string CopyOf(const OldLayout& old, const TempDir& dir, const std::string& name = "crm.db") {
  const std::string path = dir.File(name);
  std::filesystem::copy_file(old.file, path);
  return path;
}

// The store at `path` has `layout`, checks sound and exports as `old` did.
void ExpectWhole(const std::string& path, const Layout& layout, const OldLayout& old) {
  EXPECT_EQ(LayoutOf(path), layout) << LayoutOf(path).property_indexes;
  EXPECT_EQ(RunTool({"--store", path, "check"}).out, "ok\n");
  EXPECT_EQ(RunTool({"--store", path, "export"}).out, ReadFile(old.exported));
}

// Upgraded by a process that dies as it is about to make its first commit,
// then its second and so on until one ends by itself: every death leaves the
// old layout whole. (What the upgrade that ends leaves, the test below checks.)
int g_commits_before_kill = 0;

int KillAtCommit(void*) {
  if (g_commits_before_kill-- == 0) ::_exit(9);
  return 0;
}

int HookCommits(sqlite3* db, const char**, const sqlite3_api_routines*) {
  sqlite3_commit_hook(db, KillAtCommit, nullptr);
  return SQLITE_OK;
}

void ExpectKilledUpgradesLeaveTheOldLayoutWhole(const OldLayout& old, const Layout& old_layout) {
  int kills = 0;
  for (bool killed = true; killed && kills < 10;) {
    TempDir dir;
    const std::string path = CopyOf(old, dir);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      g_commits_before_kill = kills;
      sqlite3_auto_extension(reinterpret_cast<void (*)()>(HookCommits));
      try {
        store::OpenStore(path);
      } catch (...) {
        ::_exit(3);
      }
      ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    killed = WEXITSTATUS(status) == 9;
    ASSERT_TRUE(killed || WEXITSTATUS(status) == 0) << "the upgrade failed: status " << WEXITSTATUS(status);
    if (killed) {
      SCOPED_TRACE("killed at commit " + std::to_string(kills));
      ++kills;
      ExpectWhole(path, old_layout, old);
    }
  }
  EXPECT_GE(kills, 1) << "no upgrade was killed";
  EXPECT_LT(kills, 10) << "the upgrade never ended";
}

TEST(StoreLayoutUpgradeTest, ReadsOlderLayoutsAsTheyAreAndUpgradesThemInOneStepWhenOpenedForWriting) {
  for (const OldLayout& old : kOldLayouts) {
    SCOPED_TRACE("layout " + std::to_string(old.version));
    TempDir dir;
    // The old layout as its program left it, read from a copy of the test data.
    const Layout old_layout = LayoutOf(CopyOf(old, dir, "original.db"));
    ASSERT_EQ(old_layout.version, old.version);
    ExpectKilledUpgradesLeaveTheOldLayoutWhole(old, old_layout);
    const std::string path = CopyOf(old, dir);
    const std::string find = RunTool({"--store", path, "find", "A000001"}).out;
    EXPECT_NE(find, "");
    const std::string history = RunTool({"--store", path, "history"}).out;
    EXPECT_EQ(history.empty(), old.version < 3) << history;
    // A preview upgrades the store only inside the transaction it rolls back.
    const std::size_t entry = find.find('\t') + 1;
    const std::string account_item = find.substr(entry, find.find('\t', entry) - entry);
    const testing::ToolRun preview = RunTool({"--store", path, "preview", "Delete;" + account_item + ";;A000001"});
    EXPECT_EQ(preview.status, 0) << preview.out << preview.err;
    EXPECT_NE(preview.out.find("account item deleted"), std::string::npos) << preview.out;
    ExpectWhole(path, old_layout, old);
    EXPECT_EQ(ReadFile(path), ReadFile(old.file)) << "reading or previewing changed the file";

    store::OpenStore(path);
    ExpectWhole(path, kCurrentLayout, old);
    EXPECT_EQ(RunTool({"--store", path, "find", "A000001"}).out, find);
    EXPECT_EQ(RunTool({"--store", path, "history"}).out, history);
    if (!history.empty()) {
      const testing::ToolRun undo = RunTool({"--store", path, "undo", history.substr(0, history.find('\t'))});
      EXPECT_EQ(undo.status, 0) << undo.out << undo.err;
    }
    // A second open finds nothing left to upgrade.
    store::OpenStore(path);
    EXPECT_EQ(LayoutOf(path).version, store::kSchemaVersion);
  }
}

}  // namespace
}  // namespace storetool
