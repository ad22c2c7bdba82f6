#include "host/store/database.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "host/error.h"
#include "host/store/schema.h"
#include "host/store/store_hosts.h"
#include "host/store/test_store.h"

namespace store {
namespace {

using testing::TempDir;
using testing::TestStore;
using testing::ZeroPageOf;

// The description of what `run` throws; "" when it throws nothing. Fails
// the test unless the failure is a StoreFailure exactly when `store_wide`.
template <class Run>
std::string Failure(Run&& run, bool store_wide) {
  try {
    run();
  } catch (const host::Error& error) {
    EXPECT_EQ(dynamic_cast<const host::StoreFailure*>(&error) != nullptr, store_wide) << error.description();
    return error.description();
  }
  return "";
}

class StoreWideFailureTest : public ::testing::Test {
 protected:
  StoreWideFailureTest() {
    TestStore store(path_);
    const std::int64_t folder = store.AddFolder("Account Profiles");
    store.AddItem(folder, "IPM.Post", {{"AccountID", "A1"}});
  }
  Database& Open() { return *(db_ = OpenStore(path_)); }

  TempDir dir_;
  const std::string path_ = dir_.File("crm.db");
  std::unique_ptr<Database> db_;
};

TEST_F(StoreWideFailureTest, AWriteToADamagedPageStopsTheRunThroughTheHosts) {
  ZeroPageOf(path_, "properties_by_key");
  StoreHosts hosts(path_);
  auto item = hosts.CreateApplication()->GetNamespace("MAPI")->GetItemFromID("E1", TestStore::kStoreId);
  item->UserProperties()->Find("AccountID")->SetValue(std::string("A2"));
  EXPECT_EQ(Failure([&] { item->Save(); }, true),
            "the CRM store " + path_ +
                " is damaged (database disk image is malformed): run quorvia-store check, "
                "and restore it from a backup");
}

TEST_F(StoreWideFailureTest, AFullDiskStopsTheRun) {
  Database& db = Open();
  db.Exec("PRAGMA max_page_count = 1");
  const auto fill = [&] { db.Exec("CREATE TABLE filler (x); INSERT INTO filler VALUES (zeroblob(100000))"); };
  EXPECT_EQ(Failure(fill, true), "the disk holding the CRM store " + path_ + " is full");
}

TEST_F(StoreWideFailureTest, AFailingStatementOfOneItemIsAnOrdinaryError) {
  Database& db = Open();
  const auto duplicate = [&] { db.Exec("INSERT INTO items (entry_id, folder, message_class) VALUES ('E1', 1, 'x')"); };
  EXPECT_EQ(Failure(duplicate, false),
            "the CRM store " + path_ + ": UNIQUE constraint failed: items.entry_id "
            "(in INSERT INTO items (entry_id, folder, message_class) VALUES ('E1', 1, 'x'))");
  const auto misspelt = [&] { Statement(db, "SELECT missing_column FROM items"); };
  EXPECT_EQ(Failure(misspelt, false),
            "the CRM store " + path_ + ": no such column: missing_column (in SELECT missing_column FROM items)");
}

}  // namespace
}  // namespace store
