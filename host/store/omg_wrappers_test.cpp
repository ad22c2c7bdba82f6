#include "host/store/omg_wrappers.h"

#include <gtest/gtest.h>

#include <functional>

#include "host/store/store_test_fixture.h"

namespace store {
namespace {

using host::Ref;
using testing::TestStore;
namespace ol = host::outlook;

// Forwards to a real item and records the members called, as the test
// decorators of the program's own tests do.
class RecordingItem : public ol::Item {
 public:
  explicit RecordingItem(Ref<ol::Item> item) : item_(std::move(item)) {}
  std::string TypeName() override { return Record("TypeName"), item_->TypeName(); }
  std::string MessageClass() override { return Record("MessageClass"), item_->MessageClass(); }
  std::string EntryID() override { return Record("EntryID"), item_->EntryID(); }
  std::string Subject() override { return Record("Subject"), item_->Subject(); }
  std::string CompanyName() override { return Record("CompanyName"), item_->CompanyName(); }
  void SetCompanyName(const std::string& name) override { Record("SetCompanyName"), item_->SetCompanyName(name); }
  Ref<ol::UserProperties> UserProperties() override { return Record("UserProperties"), item_->UserProperties(); }
  Ref<ol::ItemProperties> itemproperties() override { return Record("itemproperties"), item_->itemproperties(); }
  Ref<ol::MAPIFolder> Parent() override { return Record("Parent"), item_->Parent(); }
  Ref<ol::Application> Application() override { return Record("Application"), item_->Application(); }
  void Save() override { Record("Save"), item_->Save(); }
  void Delete() override { Record("Delete"), item_->Delete(); }
  void Display() override { Record("Display"), item_->Display(); }

  std::string calls;

 private:
  void Record(const char* member) { calls += std::string(member) + ";"; }
  Ref<ol::Item> item_;
};

// Item 1 is a contact, item 2 a post, item 3 a sticky note; all of account A.
class OmgWrappersTest : public testing::StoreTest {
 protected:
  OmgWrappersTest() {
    const std::int64_t folder = store_.AddFolder("Related");
    store_.AddItem(folder, "IPM.Contact", {{"AccountID", "A"}});
    store_.AddItem(folder, "IPM.Post", {{"AccountID", "A"}});
    store_.AddItem(folder, "IPM.StickyNote", {{"AccountID", "A"}, {"Account Name", "Alpha"}});
  }
};

TEST_F(OmgWrappersTest, EveryMemberButSetItemFailsWhileNothingIsHeld) {
  for (bool contact : {true, false}) {
    auto wrapper = contact ? hosts_.CreateSafeContactItem() : hosts_.CreateSafePostItem();
    const std::pair<const char*, std::function<void()>> calls[] = {
        {"MessageClass", [&] { wrapper->MessageClass(); }},
        {"EntryID", [&] { wrapper->EntryID(); }},
        {"Parent", [&] { wrapper->Parent(); }},
        {"UserProperties", [&] { wrapper->UserProperties(); }},
        {"itemproperties", [&] { wrapper->itemproperties(); }},
        {"Save", [&] { wrapper->Save(); }},
        {"SetCompanyName", [&] { wrapper->SetCompanyName("X"); }},
    };
    for (const auto& [member, call] : calls) {
      const long expected =
          !contact && std::string(member) == "SetCompanyName" ? host::kNotSupported : host::kObjectNotSet;
      EXPECT_EQ(testing::ThrownError(call, member).number(), expected) << member << ", contact " << contact;
    }
  }
}

TEST_F(OmgWrappersTest, ContactWrapperStoresTheCompanyOnSaveAndPostWrapperRefusesIt) {
  auto contact = hosts_.CreateSafeContactItem();
  contact->SetItem(Item(1));
  contact->SetCompanyName("Alpha Ltd");
  EXPECT_EQ(store_.Column(1, "company_name"), "");
  contact->Save();
  EXPECT_EQ(store_.Column(1, "company_name"), "Alpha Ltd");
  auto post = hosts_.CreateSafePostItem();
  post->SetItem(Item(1));
  EXPECT_THROW(post->SetCompanyName("Other"), host::Error);
  post->Save();
  EXPECT_EQ(store_.Column(1, "company_name"), "Alpha Ltd");
}

TEST_F(OmgWrappersTest, UserPropertiesAndItemPropertiesPathsBothStoreOnSave) {
  const std::pair<const char*, std::function<Ref<ol::Property>(host::omg::SafeItem&)>> paths[] = {
      {"UserProperties", [](host::omg::SafeItem& w) { return w.UserProperties()->Item("AccountID"); }},
      {"itemproperties", [](host::omg::SafeItem& w) { return w.itemproperties()->Item("AccountID"); }},
  };
  for (const auto& [path, property] : paths) {
    auto wrapper = hosts_.CreateSafePostItem();
    wrapper->SetItem(Item(2));
    const std::string key = std::string("B via ") + path;
    const auto before = store_.Text(2, "AccountID");
    property(*wrapper)->SetValue(key);
    EXPECT_EQ(store_.Text(2, "AccountID"), before) << path << ": stored before Save";
    wrapper->Save();
    EXPECT_EQ(store_.Text(2, "AccountID"), key) << path;
  }
}

TEST_F(OmgWrappersTest, StickyNoteRewrittenThroughCdoKeepsTheCdoValuesAfterTheWrapperSaves) {
  auto wrapper = hosts_.CreateSafePostItem();
  wrapper->SetItem(Item(3));
  ASSERT_EQ(wrapper->MessageClass(), "IPM.StickyNote");
  EXPECT_EQ(host::ToText(wrapper->UserProperties()->Item("Account Name")->Value()), "Alpha");
  auto message = LoggedOn()->GetMessage(wrapper->EntryID(), wrapper->Parent()->StoreID());
  message->Fields()->Add("AccountID", host::kClassText, std::string("B"));
  message->Fields()->Add("Account Name", host::kClassText, std::string("Beta"));
  message->Update(true, true);
  wrapper->Save();
  EXPECT_EQ(store_.Text(3, "AccountID"), "B");
  EXPECT_EQ(store_.Text(3, "Account Name"), "Beta");
}

TEST_F(OmgWrappersTest, WrappersActOnWhateverObjectTheyHold) {
  auto recording = std::make_shared<RecordingItem>(Item(2));
  auto wrapper = hosts_.CreateSafePostItem();
  wrapper->SetItem(Ref<ol::Item>(recording));
  EXPECT_EQ(wrapper->EntryID(), "E2");
  wrapper->itemproperties()->Add("Team", host::kOlText)->SetValue(std::string("North"));
  wrapper->Save();
  EXPECT_EQ(recording->calls, "EntryID;itemproperties;Save;");
  EXPECT_EQ(store_.Text(2, "Team"), "North");

  auto folder_wrapper = hosts_.CreateSafeFolder();
  EXPECT_TRUE(folder_wrapper->Item().IsNothing());
  auto parent = wrapper->Parent();
  folder_wrapper->SetItem(parent);
  EXPECT_TRUE(folder_wrapper->Item() == parent);
  EXPECT_EQ(folder_wrapper->Item()->Name(), "Related");
}

}  // namespace
}  // namespace store
