#include "host/desktop/deferred_window_lookup.h"

#include <utility>

#include "host/desktop/gui_module_loader.h"

namespace desktop {

DeferredWindowLookup::DeferredWindowLookup(std::string display, std::function<GuiModule&()> load)
    : display_(std::move(display)), load_(std::move(load)) {}

std::uint64_t DeferredWindowLookup::FindWindowA(const std::string& title) {
  if (display_.empty()) return 0;
  if (!loaded_) {
    loaded_ = true;
    try {
      lookup_ = load_().MakeWindowLookup();
    } catch (const GuiModuleUnavailable&) {
      // No desktop to look on: the caller goes on as when no window matches.
    }
  }
  return lookup_ ? lookup_->FindWindowA(title) : 0;
}

}  // namespace desktop
