#include "host/desktop/deferred_window_lookup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/desktop/fake_gui_module.h"
#include "host/desktop/gui_module_loader.h"

namespace desktop {
namespace {

class DeferredWindowLookupTest : public ::testing::Test {
 protected:
  // A lookup on `display` whose loader counts its calls and yields the fake
  // module, or fails as a missing module does when `unavailable`.
  DeferredWindowLookup Lookup(const std::string& display, bool unavailable = false) {
    return DeferredWindowLookup(display, [this, unavailable]() -> GuiModule& {
      ++loads_;
      if (unavailable) throw GuiModuleUnavailable("cannot load the GUI module: gone");
      return module_;
    });
  }

  testing::FakeGuiModule module_;
  int loads_ = 0;
};

TEST_F(DeferredWindowLookupTest, WithoutADisplayLoadsNothingAndFindsNothing) {
  module_.windows["REDiraz"] = 7;
  DeferredWindowLookup lookup = Lookup("");
  EXPECT_EQ(lookup.FindWindowA("REDiraz"), 0u);
  EXPECT_EQ(lookup.FindWindowA("REDiraz"), 0u);
  EXPECT_EQ(loads_, 0);
  EXPECT_TRUE(module_.titles_asked.empty());
}

TEST_F(DeferredWindowLookupTest, LoadsTheModuleAtTheFirstLookupOnlyAndAsksItsLookup) {
  module_.windows["REDiraz"] = 7;
  DeferredWindowLookup lookup = Lookup(":1");
  EXPECT_EQ(loads_, 0) << "loaded before any lookup";
  EXPECT_EQ(lookup.FindWindowA("REDiraz"), 7u);
  EXPECT_EQ(lookup.FindWindowA("Entwürfe"), 0u);
  EXPECT_EQ(lookup.FindWindowA("REDiraz"), 7u);
  EXPECT_EQ(loads_, 1);
  EXPECT_EQ(module_.lookups_made, 1);
  EXPECT_EQ(module_.titles_asked, (std::vector<std::string>{"REDiraz", "Entwürfe", "REDiraz"}));
}

TEST_F(DeferredWindowLookupTest, AModuleThatCannotBeLoadedFindsNothingAndIsNotTriedAgain) {
  module_.windows["REDiraz"] = 7;
  DeferredWindowLookup lookup = Lookup(":1", true);
  EXPECT_EQ(lookup.FindWindowA("REDiraz"), 0u);
  EXPECT_EQ(lookup.FindWindowA("REDiraz"), 0u);
  EXPECT_EQ(loads_, 1);
}

}  // namespace
}  // namespace desktop
