#include "host/store/database.h"

#include <gtest/gtest.h>

#include "host/error.h"
#include "host/store/test_store.h"

namespace store {
namespace {

using testing::TempDir;
using testing::TestStore;

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

// A failure that concerns the whole store (a full disk) stops the run; a
// failing statement of one item is an ordinary error. (A damaged page is
// RunEndingTest's: it ends a Merge as a store that cannot be used.)
TEST(StoreWideFailureTest, OnlyWhatConcernsTheWholeStoreStopsTheRun) {
  TempDir dir;
  const std::string path = dir.File("crm.db");
  const std::string store = "the CRM store " + path;
  TestStore test_store(path);
  test_store.AddItem(test_store.AddFolder("Account Profiles"), "IPM.Post", {{"AccountID", "A1"}});
  Database& db = test_store.db();
  const auto duplicate = [&] { db.Exec("INSERT INTO items (entry_id, folder, message_class) VALUES ('E1', 1, 'x')"); };
  EXPECT_EQ(Failure(duplicate, false),
            store + ": UNIQUE constraint failed: items.entry_id "
                    "(in INSERT INTO items (entry_id, folder, message_class) VALUES ('E1', 1, 'x'))");
  EXPECT_EQ(Failure([&] { Statement(db, "SELECT missing_column FROM items"); }, false),
            store + ": no such column: missing_column (in SELECT missing_column FROM items)");
  db.Exec("PRAGMA max_page_count = 1");
  const auto fill = [&] { db.Exec("CREATE TABLE filler (x); INSERT INTO filler VALUES (zeroblob(100000))"); };
  EXPECT_EQ(Failure(fill, true), "the disk holding " + store + " is full");
}

// A statement the session's pool hands out again starts with no parameter
// bound: a value left from its last run would be written again.
TEST(SqliteStatementTest, ResetLeavesNoParameterBound) {
  TempDir dir;
  TestStore store(dir.File("crm.db"));
  Statement unbound(store.db(), "SELECT ?1 IS NULL");
  ASSERT_TRUE(unbound.Bind(1, std::string("x")).Step());
  EXPECT_EQ(unbound.Int(0), 0);
  unbound.Reset();
  ASSERT_TRUE(unbound.Step());
  EXPECT_EQ(unbound.Int(0), 1);
}

}  // namespace
}  // namespace store
