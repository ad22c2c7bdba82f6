#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <stdexcept>

#include "app/form1.h"
#include "host/desktop/ui_mode.h"
#include "host/linux_platform.h"
#include "host/store/store_location.h"

namespace {

constexpr char kProgram[] = "quorvia-utilities";

bool TraceRequested() {
  const char* trace = std::getenv("QUORVIA_TRACE");
  return trace != nullptr && std::strcmp(trace, "1") == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2) {
    std::cerr << kProgram << ": takes exactly one argument, FUNCTION;FIELD;FIELD;... (got "
              << argc - 1 << ")\n";
    return app::ExitStatus(app::Outcome::kUsage);
  }
  try {
    const bool gui = desktop::StartUi() == desktop::UiMode::kGui;
    std::string store_path;
    try {
      store_path = store::DefaultStorePath(store::Environment::FromProcess());
    } catch (const std::runtime_error& error) {
      std::cerr << kProgram << ": " << error.what() << '\n';
      return app::ExitStatus(app::Outcome::kNoSession);
    }
    const auto platform = host::linuxPlatform(store_path, gui);
    app::Form1 form(*platform, argc == 2 ? argv[1] : "", TraceRequested() ? &std::cerr : nullptr);
    return app::ExitStatus(form.Run());
  } catch (const std::invalid_argument& error) {  // a bad QUORVIA_UI, or gui without a window
    std::cerr << kProgram << ": " << error.what() << '\n';
    return app::ExitStatus(app::Outcome::kUsage);
  } catch (const std::exception& error) {
    std::cerr << kProgram << ": " << error.what() << '\n';
    return app::ExitStatus(app::Outcome::kAbandoned);
  }
}
