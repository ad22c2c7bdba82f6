#include "host/desktop/ui_mode.h"

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>

#include "host/desktop/window_platform.h"

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

UiMode StartUi() {
  const char* quorvia_ui = std::getenv("QUORVIA_UI");
  if (ChooseUi(quorvia_ui, std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY")) == UiMode::kConsole) {
    return UiMode::kConsole;
  }
  const std::string failure = PrepareWindows();
  if (failure.empty()) return UiMode::kGui;
  if (!IsSet(quorvia_ui)) return UiMode::kConsole;
  throw NoWindow("cannot open a window: " + failure + " (set QUORVIA_UI=console to use the terminal)");
}

}  // namespace desktop
