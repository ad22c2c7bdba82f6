#include "host/store/outlook_store.h"

#include <gtest/gtest.h>

#include <functional>

#include "host/store/store_hosts.h"
#include "host/store/store_test_fixture.h"

namespace store {
namespace {

using host::Ref;
using testing::TestStore;
using testing::ThrownError;
namespace ol = host::outlook;

// Folder "Accounts" (top level) holds items 1..5 keyed A, B, A, none, C.
class OutlookStoreTest : public testing::StoreTest {
 protected:
  OutlookStoreTest() {
    folder_ = store_.AddFolder("Accounts");
    for (const char* key : {"A", "B", "A", "", "C"}) {
      testing::TextProperties properties;
      if (*key != '\0') properties = {{"AccountID", key}};
      store_.AddItem(folder_, "IPM.Post", properties, std::string("subject ") + key);
    }
  }

  static std::vector<std::string> EntryIds(const Ref<ol::Items>& items) {
    std::vector<std::string> ids;
    for (int i = 1; i <= items->Count(); ++i) ids.push_back(items->Item(i)->EntryID());
    return ids;
  }

  std::int64_t folder_ = 0;
};

TEST_F(OutlookStoreTest, RemovingFromCountDownVisitsEachMatchOnceAndDeletesIt) {
  auto restricted = Folder(folder_)->Items()->Restrict("[AccountID] = 'A'");
  ASSERT_EQ(restricted->Count(), 2);
  std::vector<std::string> visited;
  for (int i = restricted->Count(); i >= 1; --i) {
    visited.push_back(restricted->Item(i)->EntryID());
    restricted->Remove(i);
  }
  EXPECT_EQ(visited, (std::vector<std::string>{"E3", "E1"}));
  EXPECT_EQ(restricted->Count(), 0);
  EXPECT_FALSE(store_.Exists(1));
  EXPECT_FALSE(store_.Exists(3));
  EXPECT_EQ(store_.ItemCount(folder_), 3);
  EXPECT_FALSE(store_.Text(1, "AccountID").has_value()) << "properties go with their item";
}

TEST_F(OutlookStoreTest, ARestrictionIsFixedWhenMadeAndOneOnItIntersectsInItsOrder) {
  auto items = Folder(folder_)->Items();
  items->Sort("[AccountID]", true);
  auto keyed = items->Restrict("[AccountID] <> 'B'");
  EXPECT_EQ(EntryIds(keyed), (std::vector<std::string>{"E5", "E1", "E3"}));
  EXPECT_EQ(EntryIds(keyed->Restrict("[AccountID] = 'A' OR [AccountID] = 'B'")),
            (std::vector<std::string>{"E1", "E3"}));
  auto restricted = Folder(folder_)->Items()->Restrict("[AccountID] = 'A'");
  store_.AddItem(folder_, "IPM.Post", {{"AccountID", "A"}});
  store_.SetText(1, "AccountID", "Z");
  EXPECT_EQ(EntryIds(restricted), (std::vector<std::string>{"E1", "E3"}));
  EXPECT_EQ(Folder(folder_)->Items()->Restrict("[AccountID] = 'A'")->Count(), 2) << "E3 and E6";
}

// Within a run, restricting one of a folder's subfolders reads the matches
// of all of them at once; a save or an addition in one of them since is
// seen when it is restricted again.
TEST_F(OutlookStoreTest, ARunRestrictsSiblingsInOneReadAndSeesItsOwnWritesInEach) {
  const std::int64_t first = store_.AddFolder("First", folder_);
  const std::int64_t second = store_.AddFolder("Second", folder_);
  const std::int64_t rekeyed = store_.AddItem(first, "IPM.Post", {{"AccountID", "A"}});
  store_.AddItem(second, "IPM.Post", {{"AccountID", "A"}});
  hosts_.TakeForWriting();
  auto subfolders = Folder(folder_)->Folders();
  const auto matching = [&](int position) {
    return EntryIds(subfolders->Item(position)->Items()->Restrict("[AccountID] = 'A'"));
  };
  EXPECT_EQ(matching(1), (std::vector<std::string>{"E6"}));
  auto item = Item(rekeyed);
  item->UserProperties()->Find("AccountID")->SetValue(std::string("B"));
  item->Save();
  auto added = subfolders->Item(2)->Items()->Add("IPM.Post");
  added->UserProperties()->Add("AccountID", host::kOlText)->SetValue(std::string("A"));
  added->Save();
  EXPECT_EQ(matching(1), (std::vector<std::string>{}));
  EXPECT_EQ(matching(2).size(), 2u);
  hosts_.RollBackRun();
}

TEST_F(OutlookStoreTest, SortsByAPropertyWithItemsWithoutItLast) {
  const struct {
    bool descending;
    std::vector<std::string> expected;
  } cases[] = {{false, {"E1", "E3", "E2", "E5", "E4"}}, {true, {"E5", "E2", "E1", "E3", "E4"}}};
  for (const auto& c : cases) {
    auto items = Folder(folder_)->Items();
    items->Sort("[AccountID]", c.descending);
    EXPECT_EQ(EntryIds(items), c.expected) << "descending " << c.descending;
  }
}

TEST_F(OutlookStoreTest, FindYieldsTheFirstMatchOrNothing) {
  const struct {
    const char* filter;
    const char* expected;  // entry id, or "" for nothing
  } cases[] = {{"[AccountID] <> ''", "E1"}, {"[AccountID] = 'C'", "E5"},
               {"[AccountID] = 'A' AND [AccountID] = 'B'", ""},
               {"[AccountID] = 'C' OR [AccountID] = 'B'", "E2"}};
  for (const auto& c : cases) {
    auto found = Folder(folder_)->Items()->Find(c.filter);
    EXPECT_EQ(found ? found->EntryID() : "", c.expected) << c.filter;
  }
}

TEST_F(OutlookStoreTest, AddedItemIsStoredByItsFirstSaveWithItsProperties) {
  auto items = Folder(folder_)->Items();
  auto added = items->Add("IPM.StickyNote");
  EXPECT_EQ(added->TypeName(), "NoteItem");
  EXPECT_EQ(added->EntryID(), "");
  added->itemproperties()->Add("AccountID", host::kOlText)->SetValue(std::string("A'9"));
  EXPECT_EQ(host::ToText(added->UserProperties()->Item("AccountID")->Value()), "A'9");
  EXPECT_EQ(store_.ItemCount(folder_), 5) << "a new item waits for Save";
  EXPECT_EQ(ThrownError([&] { added->Delete(); }, "Delete before Save").number(), kNotFound);
  added->Save();
  EXPECT_EQ(store_.ItemCount(folder_), 6);
  EXPECT_EQ(items->Count(), 6);
  ASSERT_NE(added->EntryID(), "");
  auto reopened = Item(added->EntryID());
  EXPECT_EQ(reopened->MessageClass(), "IPM.StickyNote");
  EXPECT_EQ(host::ToText(reopened->UserProperties()->Item("AccountID")->Value()), "A'9");
  for (int index : {0, 7}) {
    EXPECT_EQ(ThrownError([&] { items->Remove(index); }).number(), host::kSubscriptOutOfRange) << index;
  }
  added->Delete();
  EXPECT_EQ(store_.ItemCount(folder_), 5);
  EXPECT_EQ(ThrownError([&] { added->Delete(); }, "a second Delete").number(), kNotFound);
}

TEST_F(OutlookStoreTest, TypeNameFollowsTheMessageClass) {
  const std::pair<const char*, const char*> cases[] = {
      {"IPM.Post", "PostItem"},         {"IPM.Contact.Location", "ContactItem"},
      {"ipm.stickynote", "NoteItem"},   {"IPM.Note", "MailItem"},
      {"IPM.Appointment", "AppointmentItem"}, {"IPM.Task", "TaskItem"},
      {"IPM.Notes", "PostItem"},        {"IPM.Account", "PostItem"}};
  for (const auto& [message_class, type_name] : cases) {
    EXPECT_EQ(TypeNameOf(message_class), type_name) << message_class;
  }
}

TEST_F(OutlookStoreTest, OnlyContactsHaveACompanyAndOnlyPostsBindAsPosts) {
  const std::int64_t contact = store_.AddItem(folder_, "IPM.Contact");
  auto contact_item = Item(contact);
  auto post_item = Item("E1");
  EXPECT_EQ(ThrownError([&] { ol::AsPostItem(contact_item); }).number(), host::kTypeMismatch);
  EXPECT_EQ(ol::AsPostItem(post_item)->EntryID(), "E1");
  EXPECT_EQ(ThrownError([&] { post_item->SetCompanyName("X"); }).number(), host::kNotSupported);
  contact_item->SetCompanyName("Zoë & Co");
  contact_item->Save();
  EXPECT_EQ(store_.Column(contact, "company_name"), "Zoë & Co");
}

TEST_F(OutlookStoreTest, LooksUpFoldersAndItemsByIdentifierNameAndPosition) {
  const std::int64_t alerts = store_.AddFolder("Alerts", folder_, "IPM.StickyNote");
  store_.AddFolder("Sticky Notes", folder_);
  auto subfolders = Folder(folder_)->Folders();
  EXPECT_EQ(subfolders->Count(), 2);
  EXPECT_EQ(subfolders->Item(2)->Name(), "Sticky Notes");
  EXPECT_EQ(subfolders->Item("Alerts")->EntryID(), TestStore::FolderEntryId(alerts));
  EXPECT_EQ(subfolders->Item("Alerts")->DefaultMessageClass(), "IPM.StickyNote");
  EXPECT_EQ(Folder(alerts)->StoreID(), TestStore::kStoreId);
  EXPECT_EQ(Item("E2")->Parent()->Name(), "Accounts");
  EXPECT_EQ(Item("E2")->Subject(), "subject B");
  EXPECT_THROW(subfolders->Item("alerts"), host::Error);
  EXPECT_THROW(subfolders->Item(3), host::Error);
}

TEST_F(OutlookStoreTest, WhatTheStoreDoesNotHoldFailsNamingIt) {
  const std::string in_store = " in the CRM store " + store_.db().location();
  const struct {
    const char* what;
    std::function<void()> call;
    std::string description;
  } cases[] = {
      {"folder in another store", [&] { Mapi()->GetFolderFromID("F1", "OTHER-STORE"); },
       "store identifier \"OTHER-STORE\" does not match \"STORE-0001\"" + in_store},
      {"item in another store", [&] { Mapi()->GetItemFromID("E1", "OTHER-STORE"); },
       "store identifier \"OTHER-STORE\" does not match \"STORE-0001\"" + in_store},
      {"unknown folder", [&] { Folder(99); }, "no folder with entry identifier \"F99\"" + in_store},
      {"unknown item", [&] { Item("E99"); }, "no item with entry identifier \"E99\"" + in_store},
      {"folder id as item id", [&] { Item("F1"); }, "no item with entry identifier \"F1\"" + in_store},
      {"missing property", [&] { Item("E4")->UserProperties()->Item("AccountID"); },
       "item \"E4\" has no property \"AccountID\"" + in_store},
      {"missing subfolder", [&] { Folder(folder_)->Folders()->Item("Alerts"); },
       "folder \"Accounts\" has no subfolder \"Alerts\"" + in_store},
      {"item past the end", [&] { Folder(folder_)->Items()->Item(6); },
       "folder \"Accounts\" has 5 items, none at position 6" + in_store},
      {"item deleted since its restriction",
       [&] {
         auto restricted = Folder(folder_)->Items()->Restrict("[AccountID] = 'B'");
         Item("E2")->Delete();
         restricted->Item(1);
       },
       "item number 2 no longer exists" + in_store},
      {"other namespace", [&] { hosts_.CreateApplication()->GetNamespace("mapi"); },
       "there is no namespace \"mapi\"; only \"MAPI\""},
      {"property of an unknown type",
       [&] {
         store_.db().Exec(testing::OnServer() ? "ALTER TABLE properties DROP CONSTRAINT properties_type_check"
                                              : "PRAGMA ignore_check_constraints = ON");
         store_.db().Exec("INSERT INTO properties VALUES (5, 1, 'Size', 'float', 1.5)");
         hosts_.GroupReads();  // so that the restriction reads its items' properties with them
         Folder(folder_)->Items()->Restrict("[AccountID] = 'C'")->Item(1)->UserProperties()->Find("Size");
       },
       "item \"E5\", property \"Size\": unknown type \"float\"" + in_store},
  };
  for (const auto& c : cases) EXPECT_EQ(ThrownError(c.call, c.what).description(), c.description) << c.what;
}

std::string TooDeep(int level) {
  return "folder Level " + std::to_string(level) + " (C" + std::to_string(level) + ") nests deeper than 200 levels";
}

// A chain of folders from the top level down to each case's deepest level.
TEST(FolderDepthTest, FoldersAtTheDeepestLevelHandOutNoSubfolders) {
  const struct {
    int levels;
    std::string damage;
    const char* folder;
    std::string description;  // "" when its Folders works
  } cases[] = {
      {201, "", "C199", ""},
      {200, "", "C200", ""},
      {201, "", "C200", TooDeep(201)},
      {201, "INSERT INTO folders VALUES (9999, 'F9999', 1200, 'Twin', 'IPM.Post')", "C200",
       "folders Level 201 (C201), Twin (F9999) nest deeper than 200 levels"},
      {201, "", "C201", TooDeep(201)},
      {30000, "", "C30000", TooDeep(30000)},
      {3, "UPDATE folders SET parent = 1003 WHERE id = 1001", "C2", TooDeep(2)},
  };
  for (const auto& c : cases) {
    testing::TempDir dir;
    testing::StoreLocation location(dir);
    TestStore store(location.str());
    testing::AddFolderChain(store.db(), 0, c.levels);
    if (!c.damage.empty()) store.db().Exec(c.damage.c_str());
    StoreHosts hosts(location.str());
    auto folder = hosts.CreateApplication()->GetNamespace("MAPI")->GetFolderFromID(c.folder, TestStore::kStoreId);
    try {
      const int count = folder->Folders()->Count();
      EXPECT_EQ(c.description, "") << c.folder << " of " << c.levels << " has " << count << " subfolders";
    } catch (const host::Error& error) {
      EXPECT_EQ(error.description(), c.description) << c.folder << " of " << c.levels;
    }
  }
}

}  // namespace
}  // namespace store
