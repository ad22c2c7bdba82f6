#include "host/store/cdo_store.h"

#include <gtest/gtest.h>

#include "host/store/store_test_fixture.h"

namespace store {
namespace {

using host::Ref;
using testing::TestStore;
namespace cdo = host::cdo;
namespace ol = host::outlook;

constexpr host::LocalTime kNoon{std::chrono::local_days{std::chrono::year{2024} / 2 / 29} + std::chrono::hours{12}};

// "Account Profiles" holds account A (item 1) and two locations of it
// (items 2 and 3) and one of account B (item 4).
class CdoStoreTest : public testing::StoreTest {
 protected:
  CdoStoreTest() {
    const std::int64_t folder = store_.AddFolder("Account Profiles");
    store_.AddItem(folder, "IPM.Post", {{"AccountID", "A"}, {"Account Name", "Alpha"}});
    store_.AddItem(folder, "IPM.Post", {{"AccountID", "A1"}, {"Account LocationID", "A"}});
    store_.AddItem(folder, "IPM.Post", {{"AccountID", "A2"}, {"Account LocationID", "A"}});
    store_.AddItem(folder, "IPM.Post", {{"AccountID", "B1"}, {"Account LocationID", "B"}});
  }

  Ref<cdo::Message> Message(std::int64_t item) {
    return LoggedOn()->GetMessage(TestStore::EntryId(item), TestStore::kStoreId);
  }
};

TEST_F(CdoStoreTest, FilterNarrowsMessagesToTheFieldValue) {
  auto messages = LoggedOn()->GetFolder("F1", TestStore::kStoreId)->Messages();
  EXPECT_EQ(messages->Count(), 4);
  auto filter = messages->Filter();
  auto field = filter->Fields()->Add("Account LocationID", host::kClassText, std::string("A"));
  filter->Fields()->Item("Account LocationID")->SetValue(field->Value());
  ASSERT_EQ(messages->Count(), 2);
  EXPECT_EQ(messages->Item(1)->ID(), "E2");
  EXPECT_EQ(messages->Item(2)->ID(), "E3");
  EXPECT_THROW(messages->Item(3), host::Error);
  filter->Fields()->Add("Account LocationID", host::kClassText, std::string("a"));
  EXPECT_EQ(messages->Count(), 0) << "keys compare exactly";
  filter->Fields()->Add("Account LocationID", host::kClassText, std::string("B"));
  filter->Fields()->Add("AccountID", host::kClassText, std::string("A1"));
  EXPECT_EQ(messages->Count(), 0) << "every field applies";
}

TEST_F(CdoStoreTest, WhatEitherViewStoresTheOtherSeesAtOnce) {
  auto outlook_item = Item(2);
  auto message = Message(2);
  message->Fields()->Add("Account LocationID", host::kClassText, std::string("B"));
  message->Fields()->Add("Account Parent", host::kClassText, std::string("Béta"));
  EXPECT_EQ(host::ToText(outlook_item->UserProperties()->Find("Account LocationID")->Value()), "A")
      << "nothing is stored before Update";
  message->Update(true, true);
  EXPECT_EQ(host::ToText(outlook_item->UserProperties()->Find("Account LocationID")->Value()), "B");
  EXPECT_EQ(host::ToText(outlook_item->UserProperties()->Item("Account Parent")->Value()), "Béta");
  EXPECT_EQ(host::ToText(outlook_item->UserProperties()->Add("Account Parent", host::kOlText)->Value()), "Béta")
      << "adding a property that exists keeps its value";
  EXPECT_EQ(store_.MisfiledProperties(), 0);
  outlook_item->itemproperties()->Add("Team", host::kOlText);
  outlook_item->itemproperties()->Item("Team")->SetValue(std::string("North"));
  outlook_item->Save();
  EXPECT_EQ(host::ToText(message->Fields()->Item("Team")->Value()), "North");
  EXPECT_EQ(store_.Text(2, "Team"), "North");
}

TEST_F(CdoStoreTest, FieldClassesAreStoredAsTheirTypes) {
  const struct {
    const char* name;
    int field_class;
    host::Value value;
    const char* type;
    host::Value read_back;
  } cases[] = {
      {"{0E20060000000000C000000000000046}0x8B02", host::kClassInteger, std::int32_t{200}, "integer",
       std::int32_t{200}},
      {"Width as text", host::kClassInteger, std::string("166"), "integer", std::int32_t{166}},
      {"Flag", host::kClassBoolean, true, "boolean", true},
      {"Flag as text", host::kClassBoolean, std::string("1"), "boolean", true},
      {"Width rounded", host::kClassInteger, 2.7, "integer", std::int32_t{3}},
      {"Due", host::kClassTime, kNoon, "time", kNoon},
      {"Count as text", host::kClassText, std::int32_t{7}, "text", std::string("7")},
  };
  for (const auto& c : cases) {
    auto message = Message(4);
    message->Fields()->Add(c.name, c.field_class, c.value);
    message->Update(true, true);
    EXPECT_EQ(store_.TypeOf(4, c.name), c.type) << c.name;
    EXPECT_EQ(Message(4)->Fields()->Item(c.name)->Value(), c.read_back) << c.name;
  }
  EXPECT_THROW(Message(4)->Fields()->Add("Bad", host::kClassInteger, std::string("many")), host::Error);
  EXPECT_THROW(Message(4)->Fields()->Add("Bad", 99, std::string("x")), host::Error);
  EXPECT_THROW(Message(4)->Fields()->Item("Never set"), host::Error);
}

TEST_F(CdoStoreTest, AddedMessageCarriesItsClassTimesAndFlags) {
  auto messages = LoggedOn()->GetFolder("F1", TestStore::kStoreId)->Messages();
  auto note = messages->Add(std::nullopt, std::nullopt, std::string("IPM.StickyNote"));
  ASSERT_EQ(store_.IdOf(note->ID()), 5) << "stored at once";
  EXPECT_EQ(Item(note->ID())->TypeName(), "NoteItem");
  note->SetTimeSent(kNoon);
  note->SetTimeReceived(note->TimeSent());
  note->SetSent(true);
  note->SetUnread(false);
  note->SetSubmitted(false);
  EXPECT_EQ(store_.Column(5, "time_sent"), "") << "kept until Update";
  note->Update(true, true);
  EXPECT_EQ(store_.Column(5, "time_sent"), "2024-02-29 12:00:00");
  EXPECT_EQ(store_.Column(5, "time_received"), "2024-02-29 12:00:00");
  EXPECT_EQ(store_.Column(5, "sent") + store_.Column(5, "unread") + store_.Column(5, "submitted"), "100");
  auto mail = messages->Add(std::string("Hello"), std::string("Text"), std::nullopt);
  EXPECT_EQ(Item(mail->ID())->TypeName(), "MailItem");
  EXPECT_EQ(store_.Column(6, "subject") + "/" + store_.Column(6, "body"), "Hello/Text");
}

}  // namespace
}  // namespace store
