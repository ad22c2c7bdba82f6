#include "host/desktop/ui_mode.h"

#include <stdexcept>
#include <string>
#include <string_view>

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

}  // namespace desktop
