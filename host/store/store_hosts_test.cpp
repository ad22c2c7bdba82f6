#include "host/store/store_hosts.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "host/rerun_on_conflict.h"
#include "host/store/store_test_fixture.h"

namespace store {
namespace {

using host::Ref;
using testing::TestStore;
using testing::ThrownError;
namespace ol = host::outlook;

class StoreHostsTest : public testing::StoreTest {
 protected:
  StoreHostsTest() : StoreTest("9.0.0.4527") {
    profiles_ = store_.AddFolder("Account Profiles");
    store_.AddFolder("Alerts", profiles_);
    store_.AddFolder("Account Profiles");
    store_.AddItem(profiles_, "IPM.Post", {{"AccountID", "A"}});
  }

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

// What the store cannot open is refused in the words of OpenStore, each
// creation naming the object it could not make, and nothing is made.
TEST_F(StoreHostsTest, AMissingStoreIsRefusedAndNotMade) {
  QUORVIA_SKIP_ON_SERVER();
  const std::string path = dir_.File("missing.db");
  StoreHosts hosts(path);
  const std::string cannot_open = "cannot open the CRM store " + path + ": no such file";
  const host::Error application = ThrownError([&] { hosts.CreateApplication(); });
  EXPECT_EQ(application.number(), host::kCannotCreateObject);
  EXPECT_EQ(application.description(), "cannot make Outlook.Application: " + cannot_open);
  const host::Error connect = ThrownError([&] { hosts.CreateConnect(); });
  EXPECT_EQ(connect.number(), host::kCannotCreateObject);
  EXPECT_EQ(connect.description(), "cannot make Quorvia.Connect: " + cannot_open);
  EXPECT_EQ(ThrownError([&] { hosts.CreateSession()->Logon("", "", false, false, 0); }).description(), cannot_open);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(StoreHostsTest, FailingWriteIsRolledBackAndEarlierWritesStay) {
  auto item = Item(1);
  item->UserProperties()->Find("AccountID")->SetValue(std::string("A2"));
  hosts_.FailWritesAfter(1);
  item->Save();
  item->UserProperties()->Find("AccountID")->SetValue(std::string("A3"));
  item->UserProperties()->Add("Team", host::kOlText)->SetValue(std::string("North"));
  EXPECT_THROW(item->Save(), host::Error);
  auto items = Folder(profiles_)->Items();
  const std::pair<const char*, std::function<void()>> writes[] = {
      {"Add", [&] { items->Add("IPM.Post")->Save(); }},
      {"Remove", [&] { items->Remove(1); }},
      {"Delete", [&] { Item(1)->Delete(); }},
  };
  for (const auto& [what, write] : writes) EXPECT_EQ(ThrownError(write, what).number(), kStoreError) << what;
  EXPECT_EQ(store_.Text(1, "AccountID"), "A2");
  EXPECT_FALSE(store_.Text(1, "Team").has_value());
  EXPECT_EQ(store_.ItemCount(profiles_), 1);
  EXPECT_EQ(items->Count(), 1);
  hosts_.FailWritesAfter(-1);
  item->Save();
  EXPECT_EQ(store_.Text(1, "AccountID"), "A3") << "the failed Save kept its changes";
  EXPECT_EQ(store_.Text(1, "Team"), "North");
}

// A save the store refuses inside a run fails alone and names its item,
// also where its writes go out without waiting for their results; the run
// keeps the saves before and after it.
// The saves are held back and fail together; the run starts over, as the
// program's runs do, and then the refused one fails alone.
TEST_F(StoreHostsTest, ASaveRefusedInsideARunFailsAloneAndTheRunKeepsTheOthers) {
  const std::int64_t refused = store_.AddItem(profiles_, "IPM.Post", {{"AccountID", "B"}});
  const std::int64_t after = store_.AddItem(profiles_, "IPM.Post", {{"AccountID", "C"}});
  const std::string when = "NEW.item = " + std::to_string(refused);
  store_.db().Exec((testing::OnServer()
                        ? "CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS "
                          "$$BEGIN RAISE EXCEPTION 'refused by the test'; END$$; "
                          "CREATE TRIGGER refuse BEFORE UPDATE ON properties FOR EACH ROW WHEN (" + when +
                              ") EXECUTE FUNCTION refuse()"
                        : "CREATE TRIGGER refuse BEFORE UPDATE ON properties WHEN " + when +
                              " BEGIN SELECT RAISE(ABORT, 'refused by the test'); END")
                       .c_str());
  int tries = 0;
  std::vector<std::string> failures;
  host::RerunOnConflict(
      [&] {
        ++tries;
        failures.clear();
        hosts_.TakeForWriting();
      },
      [&] {
        for (const std::int64_t id : {std::int64_t{1}, refused, after}) {
          auto item = Item(id);
          item->UserProperties()->Find("AccountID")->SetValue(std::string("Z"));
          try {
            item->Save();
          } catch (const host::StoreFailure&) {
            throw;
          } catch (const host::Error& error) {
            failures.push_back(error.description());
          }
        }
        hosts_.WriteHeldBack();
      });
  hosts_.CommitRun();
  EXPECT_EQ(tries, 2);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_THAT(failures[0], ::testing::AllOf(::testing::StartsWith("save item \"" + TestStore::EntryId(refused) + "\" failed"),
                                            ::testing::HasSubstr("refused by the test")));
  EXPECT_EQ(store_.Text(1, "AccountID"), "Z");
  EXPECT_EQ(store_.Text(refused, "AccountID"), "B");
  EXPECT_EQ(store_.Text(after, "AccountID"), "Z");
}

// A reader left open would keep the checkpoint from emptying the log.
TEST_F(StoreHostsTest, UngroupedNoReadStaysOpenBetweenCalls) {
  QUORVIA_SKIP_ON_SERVER();
  store_.AddItem(profiles_, "IPM.Post", {{"AccountID", "A"}});
  auto items = Folder(profiles_)->Items();
  const std::pair<const char*, std::function<void()>> reads[] = {
      {"Count", [&] { items->Count(); }},
      {"Find", [&] { items->Find("[AccountID] = 'A'"); }},
      {"Item", [&] { items->Item(1)->UserProperties()->Find("AccountID")->Value(); }},
      {"Folders", [&] { Item(1)->Parent()->Folders()->Item(1); }},
      {"GetFolderId", [&] { hosts_.CreateConnect()->GetFolderId("Account Profiles"); }},
  };
  for (const auto& [what, read] : reads) {
    store_.SetText(2, "Team", what);
    read();
    EXPECT_TRUE(testing::CanCheckpointFully(dir_.File("crm.db"))) << what;
  }
}

// Grouped reads share one snapshot until a pause; a write after another
// connection's commit still lands on top of that commit, an item's
// properties are read anew after any write of it and once the run takes the
// store for writing, and after a pause no reader is left to hold back the
// checkpoint.
TEST_F(StoreHostsTest, GroupedReadsEndAtAPauseAndNeverHideAnotherCommitFromAWrite) {
  const std::int64_t item = store_.AddItem(profiles_, "IPM.Post", {{"AccountID", "A"}, {"Team", "North"}});
  hosts_.GroupReads();
  auto mine = Item(item);
  EXPECT_EQ(host::ToText(mine->UserProperties()->Find("Team")->Value()), "North");
  store_.SetText(item, "Team", "South");

  mine->UserProperties()->Find("AccountID")->SetValue(std::string("B"));
  mine->Save();
  EXPECT_EQ(store_.Text(item, "AccountID"), "B");
  EXPECT_EQ(store_.Text(item, "Team"), "South") << "the other connection's commit survived the write";
  EXPECT_EQ(host::ToText(mine->UserProperties()->Find("Team")->Value()), "South") << "read again after the write";
  auto other = Item(item);
  other->UserProperties()->Find("Team")->SetValue(std::string("West"));
  other->Save();
  EXPECT_EQ(host::ToText(mine->UserProperties()->Find("Team")->Value()), "West") << "read again after another's write";

  store_.SetText(item, "Team", "East");
  Item(item)->UserProperties()->Find("Team")->Value();
  hosts_.EndReads();
  EXPECT_TRUE(testing::OnServer() || testing::CanCheckpointFully(location_.str()));
  EXPECT_EQ(host::ToText(Item(item)->UserProperties()->Find("Team")->Value()), "East");

  EXPECT_EQ(host::ToText(mine->UserProperties()->Find("Team")->Value()), "East");
  store_.SetText(item, "Team", "North");
  hosts_.TakeForWriting();
  EXPECT_EQ(host::ToText(mine->UserProperties()->Find("Team")->Value()), "North") << "read anew once taken";
  other->UserProperties()->Find("Team")->SetValue(std::string("West"));
  other->Save();
  EXPECT_EQ(host::ToText(mine->UserProperties()->Find("Team")->Value()), "West") << "read again after another's write in the run";
  hosts_.RollBackRun();
}

}  // namespace
}  // namespace store
