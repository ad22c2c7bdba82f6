#include "host/desktop/ui_mode.h"

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>

#include "host/desktop/gui_module_loader.h"

namespace desktop {
namespace {

bool IsSet(const char* value) { return value != nullptr && *value != '\0'; }

}  // namespace

UiMode ChooseUi(const char* quorvia_ui, const char* display, const char* wayland_display) {
  if (!IsSet(quorvia_ui)) {
    return IsSet(display) || IsSet(wayland_display) ? UiMode::kGui : UiMode::kConsole;
  }
  const std::string_view choice = quorvia_ui;
  if (choice == "gui") return UiMode::kGui;
  if (choice == "console") return UiMode::kConsole;
  throw std::invalid_argument("QUORVIA_UI must be \"gui\" or \"console\", not \"" +
                              std::string(choice) + "\"");
}

StartedUi StartUi(const char* quorvia_ui, const char* display, const char* wayland_display,
                  const std::function<GuiModule&()>& load) {
  if (ChooseUi(quorvia_ui, display, wayland_display) == UiMode::kConsole) return {};
  std::string failure;
  try {
    GuiModule& module = load();
    failure = module.PrepareWindows();
    if (failure.empty()) return {&module, ""};
  } catch (const GuiModuleUnavailable& error) {
    failure = error.what();
  }
  if (!IsSet(quorvia_ui)) return {nullptr, failure};
  throw NoWindow("cannot open a window: " + failure + " (set QUORVIA_UI=console to use the terminal)");
}

StartedUi StartUi(const std::function<GuiModule&()>& load) {
  return StartUi(std::getenv("QUORVIA_UI"), std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"), load);
}

}  // namespace desktop
