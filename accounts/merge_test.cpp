#include "accounts/account_test_fixture.h"

namespace accounts {
namespace {

using app::Outcome;

class MergeTest : public AccountTest {
 protected:
  // The store after Beta (B200) is merged into Acme (A100), its location
  // accounts pointed at `location_key`.
  host::testing::Snapshot MergedIntoAcme(host::testing::Snapshot snapshot,
                                         const std::string& location_key) {
    snapshot.erase(Id(crm_.beta));
    for (auto location : {crm_.beta_north, crm_.beta_south}) {
      auto& fields = snapshot[Id(location)];
      fields["Account LocationID"] = location_key;
      fields["Account Parent"] = "Acme";
      fields["Account Manager"] = "Ann";
      fields["Team"] = "East";
      fields["Alignment"] = "Strategic";
    }
    for (auto item : {crm_.beta_contact, crm_.beta_contact2, crm_.beta_east_contact, crm_.beta_post,
                      crm_.beta_q1_post, crm_.beta_note}) {
      auto& fields = snapshot[Id(item)];
      fields["AccountID"] = "A100";
      fields["Account Name"] = "Acme";
      fields["Account Manager"] = "Ann";
      fields["Team"] = "East";
      fields["Alignment"] = "Strategic";
    }
    for (auto contact : {crm_.beta_contact, crm_.beta_contact2, crm_.beta_east_contact}) {
      snapshot[Id(contact)]["company_name"] = "Acme";
    }
    return snapshot;
  }
};

// Related items take the surviving item's own key, location accounts the key
// field, here a different one; only the first account item of the merged key
// is deleted.
TEST_F(MergeTest, FoldsLocationsAndRelatedItemsOfEveryKindIntoTheSurvivor) {
  const auto second = crm_.store.AddItem(crm_.profiles, "IPM.Post", {{"AccountID", "B200"}}, "Beta 2");
  const auto expected = MergedIntoAcme(Snapshot(), "Z999");
  EXPECT_EQ(Run("Merge;" + Id(crm_.acme) + ";;Z999;B200"), Outcome::kDone);
  EXPECT_EQ(Snapshot(), expected) << Id(second) << " stays";
  EXPECT_EQ(crm_.store.MisfiledProperties(), 0);
  EXPECT_TRUE(Shown().empty());
  EXPECT_EQ(trace_.str(), "");
}

TEST_F(MergeTest, WithoutAnAccountItemForTheMergedKeyNothingIsDeleted) {
  const auto orphan = crm_.store.AddItem(crm_.activities, "IPM.Post", {{"AccountID", "D400"}});
  EXPECT_EQ(Run("Merge;" + Id(crm_.acme) + ";;A100;D400"), Outcome::kAbandoned);
  EXPECT_EQ(crm_.store.Text(orphan, "AccountID"), "A100");
  EXPECT_TRUE(crm_.store.Exists(crm_.acme));
}

// Before version 11 the wrappers write user properties, from it on item
// properties; the version rule's boundaries are AccountFilterTest's.
TEST_F(MergeTest, MajorVersionChoosesHowWrappersWriteProperties) {
  const store::testing::StoreLocation older_location(dir_, "older.db");
  host::testing::CrmStore older(older_location.str(), "10.0.6626");
  for (const bool item_properties : {true, false}) {
    host::testing::CrmStore& crm = item_properties ? crm_ : older;
    if (!item_properties) store_path_ = older_location.str();
    EXPECT_EQ(Run("Merge;" + Id(crm.acme) + ";;A100;B200"), Outcome::kDone) << item_properties;
    // Five properties on each of five posts and contacts.
    EXPECT_EQ(Count("SafePostItem.itemproperties()") + Count("SafeContactItem.itemproperties()"),
              item_properties ? 25 : 0) << item_properties;
    EXPECT_EQ(Count("SafePostItem.UserProperties()") + Count("SafeContactItem.UserProperties()"),
              item_properties ? 0 : 25) << item_properties;
    EXPECT_EQ(crm.store.Text(crm.beta_east_contact, "AccountID"), "A100") << item_properties;
  }
}

}  // namespace
}  // namespace accounts
