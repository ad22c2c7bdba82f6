#include <memory>
#include <string>
#include <type_traits>
#include <utility>

#include "host/desktop/gui_module.h"
#include "host/desktop/lost_display.h"
#include "host/desktop/process_item_windows.h"
#include "host/desktop/qt_event_pump.h"
#include "host/desktop/qt_message_box.h"
#include "host/desktop/qt_slides.h"
#include "host/desktop/window_platform.h"
#include "host/desktop/x11_window_lookup.h"

// The GUI module's one entry point: the Qt and X11 hosts behind GuiModule.
namespace desktop {
namespace {

class QtDesktop : public GuiModule {
 public:
  std::string PrepareWindows() override { return desktop::PrepareWindows(); }
  void EndOnLostDisplay(std::function<void(const std::string& reason)> end) override {
    desktop::EndOnLostDisplay(std::move(end));
  }
  std::unique_ptr<host::MessageBox> MakeMessageBox() override { return std::make_unique<QtMessageBox>(); }
  std::unique_ptr<host::EventPump> MakeEventPump() override { return std::make_unique<QtEventPump>(); }
  std::unique_ptr<host::SlideWindows> MakeSlides() override { return std::make_unique<QtSlides>(); }
  std::unique_ptr<host::WindowLookup> MakeWindowLookup() override {
    return std::make_unique<X11WindowLookup>();
  }
  std::unique_ptr<host::ItemWindows> MakeItemWindows(const std::string& store_path) override {
    return std::make_unique<InspectorItemWindows>(store_path, InspectorBesideThisProgram());
  }
};

}  // namespace
}  // namespace desktop

// Everything else in the module is hidden; this is what dlsym finds.
extern "C" __attribute__((visibility("default"))) desktop::GuiModule* QuorviaGuiModule() {
  static desktop::QtDesktop module;
  return &module;
}
static_assert(std::is_same_v<decltype(&QuorviaGuiModule), desktop::GuiModuleEntry>,
              "the loader calls the entry point through GuiModuleEntry");
