#include "host/store/store_session.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "host/store/test_store.h"

namespace store {
namespace {

using testing::TempDir;
using testing::TestStore;

// The test store's own connection stays open throughout, so closing the
// session's connection is not what copies the log back: only the session's
// checkpoint at its end is.
TEST(StoreSessionTest, CopiesTheLogIntoTheStoreOnceWhenItEndsNotAtEachCommit) {
  TempDir dir;
  const std::string path = dir.File("crm.db");
  TestStore store(path);
  const std::int64_t item = store.AddItem(store.AddFolder("Account Profiles"), "IPM.Post", {{"AccountID", "A1"}});
  const auto store_size = [&] { return std::filesystem::file_size(path); };
  const auto size_before = store_size();
  // Far more log pages than an automatic checkpoint lets pile up.
  const std::string body(8 << 20, 'x');
  {
    StoreSession session(path);
    for (int round = 0; round < 2; ++round) {
      session.Write("a long body", [&] {
        session.Prepare("UPDATE items SET body = ? WHERE id = ?")->Bind(1, body).Bind(2, item).Run();
      });
    }
    EXPECT_EQ(store_size(), size_before);
  }
  EXPECT_GT(store_size(), size_before + body.size());
  EXPECT_EQ(store.Column(item, "body"), body);
}

}  // namespace
}  // namespace store
