#include "host/desktop/gui_module_loader.h"

#include <dlfcn.h>

#include <string>
#include <system_error>

#include "host/desktop/beside_this_program.h"

namespace desktop {
namespace {

// Fails with the dynamic loader's reason, which names the file, or with
// `otherwise` when it has none.
[[noreturn]] void Fail(const std::string& otherwise) {
  const char* reason = dlerror();
  throw GuiModuleUnavailable(std::string("cannot load the GUI module: ").append(reason != nullptr ? reason : otherwise));
}

}  // namespace

GuiModule& LoadGuiModule(const std::filesystem::path& file) {
  // Every symbol resolved now, so that a module that does not fit this
  // program fails here with the loader's reason, not later on a call.
  void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) Fail(file.string());
  dlerror();
  void* entry = dlsym(handle, kGuiModuleEntry);
  if (entry == nullptr) Fail(std::string(file.string()).append(": ").append(kGuiModuleEntry).append(" is null"));
  return *reinterpret_cast<GuiModuleEntry>(entry)();
}

std::filesystem::path ProgramGuiModuleFile() {
  const std::filesystem::path beside = BesideThisProgram(kGuiModuleFile);
  std::error_code unknown;
  if (std::filesystem::exists(beside, unknown)) return beside;
  // An installation keeps programs in PREFIX/bin and private modules in PREFIX/lib/quorvia.
  return beside.parent_path().parent_path() / "lib" / "quorvia" / kGuiModuleFile;
}

GuiModule& LoadProgramGuiModule() { return LoadGuiModule(ProgramGuiModuleFile()); }

}  // namespace desktop
