#include "host/store/schema.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "host/error.h"
#include "host/store/test_store.h"

namespace store {
namespace {

using testing::CountOf;
using testing::FileMode;
using testing::ReadFile;
using testing::TempDir;
using testing::TestStore;

TEST(OpenStoreTest, RefusesWhatItCannotOpenSayingWhyAndLeavesItUnchanged) {
  TempDir dir;
  const std::string text = dir.File("text.db");
  std::ofstream(text) << "not a database";
  TestStore(dir.File("foreign.db")).db().Exec("PRAGMA application_id = 0");
  TestStore(dir.File("newer.db")).db().Exec("PRAGMA user_version = 5");
  CreateStore(dir.File("zeroed.db"), "AB", "16.0");
  // A failing disk wrote zeros where the file's header belongs.
  std::fstream(dir.File("zeroed.db"), std::ios::in | std::ios::out | std::ios::binary) << std::string(100, '\0');
  std::filesystem::create_directory(dir.File("folder.db"));
  const struct {
    std::string path;
    std::string why;
  } cases[] = {
      {dir.File("missing.db"), "no such file"},
      {dir.File("folder.db"), "it is a folder, not a file"},
      {text + "/crm.db", "a part of the path is not a folder"},
      {text, "not a CRM store (not an SQLite database)"},
      {dir.File("zeroed.db"), "not a CRM store (not an SQLite database)"},
      {dir.File("foreign.db"), "not a CRM store; the file is left unchanged"},
      {dir.File("newer.db"),
       "store layout version 5 is not supported (this program reads versions 1 to 4); the file is left unchanged"},
  };
  const std::vector<std::string> before = dir.Entries();
  for (const auto& c : cases) {
    const std::string contents = ReadFile(c.path);
    for (const bool read_only : {false, true}) {
      const auto open = [&] { read_only ? OpenStoreReadOnly(c.path) : OpenStore(c.path); };
      EXPECT_THAT(open, ::testing::ThrowsMessage<host::Error>("cannot open the CRM store " + c.path + ": " + c.why));
      EXPECT_THAT(open, ::testing::Not(::testing::Throws<host::StoreFailure>())) << c.path;
    }
    EXPECT_EQ(ReadFile(c.path), contents) << c.path;
  }
  EXPECT_EQ(dir.Entries(), before);
}

// A CRM store holds personal data: what is made for it is private, and
// what exists already keeps its mode.
TEST(CreateStoreTest, MakesThePersonalDataPrivate) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("shared"));
  ::chmod(dir.File("shared").c_str(), 0755);
  const std::string taken = dir.File("shared/taken.db");
  std::ofstream(taken) << "mine";
  ::chmod(taken.c_str(), 0644);
  EXPECT_THROW(CreateStore(taken, "AB", "16.0"), host::Error);
  const std::string path = dir.File("shared/new/quorvia/crm.db");
  auto db = CreateStore(path, "AB", "16.0");
  db->Exec("INSERT INTO folders (entry_id, name, default_message_class) VALUES ('F1', 'A', 'IPM.Post')");
  const std::pair<std::string, mode_t> expected[] = {
      {dir.File("shared"), 0755}, {taken, 0644}, {dir.File("shared/new"), 0700},
      {dir.File("shared/new/quorvia"), 0700}, {path, 0600}, {path + "-wal", 0600}, {path + "-shm", 0600},
  };
  for (const auto& [file, mode] : expected) EXPECT_EQ(FileMode(file), mode) << file;
}

// A store that the owner made read-only, or keeps in a read-only folder,
// is read as it is, with nothing made beside it even while it is open (no
// program can be writing it); reading any store leaves nothing behind, and
// a read-only open refuses writes.
TEST(OpenStoreReadOnlyTest, ReadsReadOnlyStoresLeavingNothingBehind) {
  const struct {
    const char* what;
    mode_t file_mode;
    mode_t folder_mode;
    bool read_only;
  } cases[] = {
      {"read-only file", 0444, 0700, true},
      {"read-only folder", 0600, 0555, true},
      {"writable store", 0600, 0700, false},
  };
  for (const auto& c : cases) {
    TempDir dir;
    TestStore(dir.File("crm.db")).AddFolder("Account Profiles");
    ::chmod(dir.File("crm.db").c_str(), c.file_mode);
    ::chmod(dir.File(".").c_str(), c.folder_mode);
    {
      const auto db = OpenStoreReadOnly(dir.File("crm.db"));
      EXPECT_EQ(CountOf(*db, "SELECT count(*) FROM folders"), 1) << c.what;
      EXPECT_THAT([&] { db->Exec("DELETE FROM folders"); },
                  ::testing::ThrowsMessage<host::StoreFailure>("the CRM store " + dir.File("crm.db") + " is read-only"))
          << c.what;
      if (c.read_only) {
        EXPECT_EQ(dir.Entries(), std::vector<std::string>{"crm.db"}) << c.what << ", while open";
      }
    }
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"crm.db"}) << c.what;
    ::chmod(dir.File(".").c_str(), 0700);
  }
}

// While another program has the store open, its last changes may be in the
// log only: a read-only open must see them, whatever the file's name holds.
TEST(OpenStoreReadOnlyTest, SeesChangesStillInTheLog) {
  TempDir dir;
  const std::string path = dir.File("crm#1?%.db");
  TestStore store(path);
  store.db().Exec("PRAGMA wal_autocheckpoint = 0");
  store.AddFolder("Account Profiles");
  ::chmod(dir.File(".").c_str(), 0555);
  EXPECT_EQ(CountOf(*OpenStoreReadOnly(path), "SELECT count(*) FROM folders"), 1);
  ::chmod(dir.File(".").c_str(), 0700);
}

}  // namespace
}  // namespace store
