#pragma once

#include <filesystem>
#include <stdexcept>

#include "host/desktop/gui_module.h"

namespace desktop {

// The GUI module could not be loaded; what() is "cannot load the GUI module:
// " and the dynamic loader's reason (dlerror), which names the file.
class GuiModuleUnavailable : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Loads the module at `file` and yields its GuiModule. The module stays
// loaded until the process ends (Qt cannot be unloaded); loading it again
// yields the same object. Throws GuiModuleUnavailable.
GuiModule& LoadGuiModule(const std::filesystem::path& file);

// The running program's module: the file beside it (in the folder of
// /proc/self/exe), where the build puts it, when there is one, else
// ../lib/quorvia/ from that folder, where an installation puts it.
std::filesystem::path ProgramGuiModuleFile();

// LoadGuiModule on ProgramGuiModuleFile().
GuiModule& LoadProgramGuiModule();

}  // namespace desktop
