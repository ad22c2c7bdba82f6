#include "host/desktop/deferred_window_lookup.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host/desktop/fake_gui_module.h"
#include "host/desktop/gui_module_loader.h"

namespace desktop {
namespace {

// Three lookups ("REDiraz", "Entwürfe", "REDiraz") through a loader that
// counts its calls and yields a module that knows REDiraz, or fails as a
// missing module does: the module is loaded at the first lookup on a
// display, once, and not tried again when it cannot be.
TEST(DeferredWindowLookupTest, LoadsTheModuleOnceAtTheFirstLookupOnADisplay) {
  const struct {
    const char* display;
    bool unavailable;
    std::vector<std::uint64_t> found;
    int loads;
    std::vector<std::string> asked;  // of the module's lookup
  } cases[] = {
      {"", false, {0, 0, 0}, 0, {}},
      {":1", false, {7, 0, 7}, 1, {"REDiraz", "Entwürfe", "REDiraz"}},
      {":1", true, {0, 0, 0}, 1, {}},
  };
  for (const auto& c : cases) {
    const std::string shown = std::string("display \"") + c.display + (c.unavailable ? "\", no module" : "\"");
    testing::FakeGuiModule module;
    module.windows["REDiraz"] = 7;
    int loads = 0;
    DeferredWindowLookup lookup(c.display, [&]() -> GuiModule& {
      ++loads;
      if (c.unavailable) throw GuiModuleUnavailable("cannot load the GUI module: gone");
      return module;
    });
    EXPECT_EQ(loads, 0) << shown << ": loaded before any lookup";
    std::vector<std::uint64_t> found;
    for (const char* title : {"REDiraz", "Entwürfe", "REDiraz"}) found.push_back(lookup.FindWindowA(title));
    EXPECT_EQ(found, c.found) << shown;
    EXPECT_EQ(loads, c.loads) << shown;
    EXPECT_EQ(module.lookups_made, c.asked.empty() ? 0 : 1) << shown;
    EXPECT_EQ(module.titles_asked, c.asked) << shown;
  }
}

}  // namespace
}  // namespace desktop
