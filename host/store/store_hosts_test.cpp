#include "host/store/store_hosts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "host/store/test_store.h"

namespace store {
namespace {

using host::Ref;
using testing::TestStore;
namespace ol = host::outlook;

std::string Contents(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream contents;
  contents << file.rdbuf();
  return contents.str();
}

class StoreHostsTest : public ::testing::Test {
 protected:
  StoreHostsTest() : store_(dir_.File("crm.db"), "9.0.0.4527"), hosts_(dir_.File("crm.db")) {
    profiles_ = store_.AddFolder("Account Profiles");
    store_.AddFolder("Alerts", profiles_);
    store_.AddFolder("Account Profiles");
    store_.AddItem(profiles_, "IPM.Post", {{"AccountID", "A"}});
  }
  Ref<ol::Item> Item(std::int64_t item) {
    return hosts_.CreateApplication()->GetNamespace("MAPI")->GetItemFromID(TestStore::EntryId(item),
                                                                           TestStore::kStoreId);
  }
  Ref<ol::Items> ProfileItems() {
    return hosts_.CreateApplication()
        ->GetNamespace("MAPI")
        ->GetFolderFromID(TestStore::FolderEntryId(profiles_), TestStore::kStoreId)
        ->Items();
  }

  testing::TempDir dir_;
  TestStore store_;
  StoreHosts hosts_;
  std::int64_t profiles_ = 0;
};

TEST_F(StoreHostsTest, AddInAnswersFromTheStore) {
  auto connect = hosts_.CreateConnect();
  EXPECT_EQ(connect->GetFolderId("Account Profiles"), "F1") << "the first of two top-level folders";
  EXPECT_EQ(connect->GetStoreId(), TestStore::kStoreId);
  EXPECT_EQ(connect->GetOutlookVersion(), "9.0.0.4527");
  for (const char* name : {"Alerts", "account profiles", ""}) {
    EXPECT_THROW(connect->GetFolderId(name), host::Error) << name;
  }
}

TEST_F(StoreHostsTest, MissingOrForeignFilesAreRefusedUnchanged) {
  const std::string foreign = dir_.File("foreign.db");
  {
    TestStore other(foreign);
    other.db().Exec("PRAGMA application_id = 0");
  }
  std::ofstream(dir_.File("text.db")) << "not a database";
  const std::pair<std::string, std::string> cases[] = {
      {"missing.db", "no such file"},
      {"foreign.db", "not a CRM store; the file is left unchanged"},
      {"text.db", "not a CRM store (not an SQLite database)"},
  };
  for (const auto& [name, why] : cases) {
    const std::string path = dir_.File(name);
    const bool existed = std::filesystem::exists(path);
    const std::string before = existed ? Contents(path) : "";
    StoreHosts hosts(path);
    const std::string cannot_open = "cannot open the CRM store " + path + ": " + why;
    const std::pair<std::string, std::function<void()>> creations[] = {
        {"Outlook.Application", [&] { hosts.CreateApplication(); }},
        {"Quorvia.Connect", [&] { hosts.CreateConnect(); }},
    };
    for (const auto& [what, create] : creations) {
      try {
        create();
        ADD_FAILURE() << "created an object over " << name;
      } catch (const host::Error& error) {
        EXPECT_EQ(error.number(), host::kCannotCreateObject) << name;
        EXPECT_EQ(error.description(), "cannot make " + what + ": " + cannot_open);
      }
    }
    auto session = hosts.CreateSession();
    try {
      session->Logon("", "", false, false, 0);
      ADD_FAILURE() << "logged on to " << name;
    } catch (const host::Error& error) {
      EXPECT_EQ(error.description(), cannot_open);
    }
    EXPECT_EQ(std::filesystem::exists(path), existed) << name;
    if (existed) {
      EXPECT_EQ(Contents(path), before) << name;
    }
  }
}

TEST_F(StoreHostsTest, FailingWriteIsRolledBackAndEarlierWritesStay) {
  auto item = Item(1);
  item->UserProperties()->Find("AccountID")->SetValue(std::string("A2"));
  hosts_.FailWritesAfter(1);
  item->Save();
  item->UserProperties()->Find("AccountID")->SetValue(std::string("A3"));
  item->UserProperties()->Add("Team", host::kOlText)->SetValue(std::string("North"));
  EXPECT_THROW(item->Save(), host::Error);
  auto items = ProfileItems();
  const std::pair<const char*, std::function<void()>> writes[] = {
      {"Add", [&] { items->Add("IPM.Post"); }},
      {"Remove", [&] { items->Remove(1); }},
      {"Delete", [&] { Item(1)->Delete(); }},
  };
  for (const auto& [what, write] : writes) {
    try {
      write();
      ADD_FAILURE() << what << " wrote past the fault";
    } catch (const host::Error& error) {
      EXPECT_EQ(error.number(), kStoreError) << what;
    }
  }
  EXPECT_EQ(store_.Text(1, "AccountID"), "A2");
  EXPECT_FALSE(store_.Text(1, "Team").has_value());
  EXPECT_EQ(store_.ItemCount(profiles_), 1);
  EXPECT_EQ(items->Count(), 1);
  hosts_.FailWritesAfter(-1);
  item->Save();
  EXPECT_EQ(store_.Text(1, "AccountID"), "A3") << "the failed Save kept its changes";
  EXPECT_EQ(store_.Text(1, "Team"), "North");
}

// A reader left open would keep the checkpoint from emptying the log.
TEST_F(StoreHostsTest, NoReadStaysOpenBetweenCalls) {
  store_.AddItem(profiles_, "IPM.Post", {{"AccountID", "A"}});
  auto items = ProfileItems();
  const std::pair<const char*, std::function<void()>> reads[] = {
      {"Count", [&] { items->Count(); }},
      {"Find", [&] { items->Find("[AccountID] = 'A'"); }},
      {"Item", [&] { items->Item(1)->UserProperties()->Find("AccountID")->Value(); }},
      {"Folders", [&] { Item(1)->Parent()->Folders()->Item(1); }},
      {"GetFolderId", [&] { hosts_.CreateConnect()->GetFolderId("Account Profiles"); }},
  };
  sqlite3_busy_timeout(store_.db().handle(), 0);
  for (const auto& [what, read] : reads) {
    store_.SetText(2, "Team", what);
    read();
    EXPECT_EQ(sqlite3_wal_checkpoint_v2(store_.db().handle(), nullptr, SQLITE_CHECKPOINT_TRUNCATE,
                                        nullptr, nullptr),
              SQLITE_OK)
        << what;
  }
}

// The four property types are the only ones a store takes, spelled exactly.
TEST_F(StoreHostsTest, StoreTakesOnlyTheFourPropertyTypes) {
  const std::int64_t item = store_.AddItem(profiles_, "IPM.Post");
  const std::pair<const char*, bool> types[] = {
      {"text", true},    {"integer", true}, {"boolean", true}, {"time", true},
      {"float", false},  {"Text", false},   {"", false},       {"text ", false},
  };
  int added = 0;
  for (const auto& [type, taken] : types) {
    Statement insert(store_.db(), "INSERT INTO properties (item, folder, name, type, value) VALUES (?, ?, ?, ?, '')");
    insert.Bind(1, item).Bind(2, profiles_).Bind(3, std::string("P").append(std::to_string(++added))).Bind(4, type);
    if (taken) {
      EXPECT_NO_THROW(insert.Run()) << type;
    } else {
      EXPECT_THROW(insert.Run(), host::Error) << type;
    }
  }
}

}  // namespace
}  // namespace store
