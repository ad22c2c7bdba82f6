#include "host/store/omg_wrappers.h"

#include <gtest/gtest.h>

#include <functional>

#include "host/store/store_test_fixture.h"

namespace store {
namespace {

using host::Ref;
namespace ol = host::outlook;

// Item 1 is a post of account A.
class OmgWrappersTest : public testing::StoreTest {
 protected:
  OmgWrappersTest() { store_.AddItem(store_.AddFolder("Related"), "IPM.Post", {{"AccountID", "A"}}); }
};

TEST_F(OmgWrappersTest, UserPropertiesAndItemPropertiesPathsBothStoreOnSave) {
  const std::pair<const char*, std::function<Ref<ol::Property>(host::omg::SafeItem&)>> paths[] = {
      {"UserProperties", [](host::omg::SafeItem& w) { return w.UserProperties()->Item("AccountID"); }},
      {"itemproperties", [](host::omg::SafeItem& w) { return w.itemproperties()->Item("AccountID"); }},
  };
  for (const auto& [path, property] : paths) {
    auto wrapper = hosts_.CreateSafePostItem();
    wrapper->SetItem(Item(1));
    const std::string key = std::string("B via ") + path;
    const auto before = store_.Text(1, "AccountID");
    property(*wrapper)->SetValue(key);
    EXPECT_EQ(store_.Text(1, "AccountID"), before) << path << ": stored before Save";
    wrapper->Save();
    EXPECT_EQ(store_.Text(1, "AccountID"), key) << path;
  }
}

}  // namespace
}  // namespace store
