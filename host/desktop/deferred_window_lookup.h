#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "host/desktop/gui_module.h"
#include "host/tour.h"

namespace desktop {

// The lookup of top-level windows for a run on the terminal: the GUI
// module's, loaded by `load` at the first lookup. With `display` empty (the
// value of DISPLAY) nothing is loaded and no window is found, as the X11
// lookup finds none; when `load` throws GuiModuleUnavailable, no window is
// found in this run and it is not asked again.
class DeferredWindowLookup : public host::WindowLookup {
 public:
  DeferredWindowLookup(std::string display, std::function<GuiModule&()> load);

  std::uint64_t FindWindowA(const std::string& title) override;

 private:
  std::string display_;
  std::function<GuiModule&()> load_;
  bool loaded_ = false;
  std::unique_ptr<host::WindowLookup> lookup_;  // null when the module failed
};

}  // namespace desktop
