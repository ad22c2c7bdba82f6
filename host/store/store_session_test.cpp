#include "host/store/store_session.h"

#include <gtest/gtest.h>

#include <string>

#include "host/rerun_on_conflict.h"
#include "host/store/test_store.h"

namespace store {
namespace {

using testing::TempDir;
using testing::TestStore;

// A run's transaction in conflict with another's is run again from its
// start: what a try wrote goes with it, and after five reruns in conflict
// the run ends, having written nothing.
TEST(StoreSessionTest, AConflictRunsTheTransactionAgainFromItsStartAtMostFiveTimes) {
  TempDir dir;
  const std::string path = dir.File("crm.db");
  TestStore store(path);
  const std::int64_t folder = store.AddFolder("Account Profiles");
  const struct {
    int conflicts;
    int tries;
    const char* body;  // what the run leaves
  } cases[] = {{0, 1, "x"}, {1, 2, "x"}, {5, 6, "x"}, {6, 6, ""}};
  for (const auto& c : cases) {
    const std::int64_t item = store.AddItem(folder, "IPM.Post", {{"AccountID", "A1"}});
    StoreSession session(path);
    int tries = 0;
    try {
      host::RerunOnConflict([&] { session.TakeForWriting({"A1"}); },
                            [&] {
                              ++tries;
                              session.Write("append", [&] {
                                session.Prepare("UPDATE items SET body = body || 'x' WHERE id = ?")->Bind(1, item).Run();
                              });
                              if (tries <= c.conflicts) throw host::StoreConflict(kStoreError, "in conflict");
                              session.CommitRun();
                            });
      EXPECT_NE(*c.body, '\0') << c.conflicts << " conflicts did not end the run";
    } catch (const host::StoreFailure& failure) {
      EXPECT_EQ(*c.body, '\0') << failure.description();
      EXPECT_EQ(dynamic_cast<const host::StoreConflict*>(&failure), nullptr);
      EXPECT_EQ(failure.description(), "in conflict (run again 5 times, in conflict with another run each time)");
      session.RollBackRun();
    }
    EXPECT_EQ(tries, c.tries) << c.conflicts << " conflicts";
    EXPECT_EQ(store.Column(item, "body"), c.body) << c.conflicts << " conflicts";
  }
}

}  // namespace
}  // namespace store
