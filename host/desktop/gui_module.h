#pragma once

#include <functional>
#include <memory>
#include <string>

#include "host/item_windows.h"
#include "host/message_box.h"
#include "host/tour.h"

namespace desktop {

// The desktop in windows, as the GUI module (libquorvia-gui.so) makes it.
// That module alone links Qt and X11; the program loads it only when a run
// needs a window, so a console run maps none of those libraries.
class GuiModule {
 public:
  virtual ~GuiModule() = default;
  // Chooses the platform windows go to and pins it in QT_QPA_PLATFORM, before
  // any Qt object exists. Yields "" when windows can be opened, else why not.
  virtual std::string PrepareWindows() = 0;
  // From now on `end` ends the run, with why, when the display is lost: an X
  // connection breaks or Qt cannot go on with its platform (EndOnLostDisplay).
  // `end` does not return.
  virtual void EndOnLostDisplay(std::function<void(const std::string& reason)> end) = 0;
  // Qt message boxes.
  virtual std::unique_ptr<host::MessageBox> MakeMessageBox() = 0;
  // Handles the Qt events waiting in this thread; nothing before Qt starts.
  virtual std::unique_ptr<host::EventPump> MakeEventPump() = 0;
  // The tour's slides as Qt windows.
  virtual std::unique_ptr<host::SlideWindows> MakeSlides() = 0;
  // The top-level windows on the X display that DISPLAY names.
  virtual std::unique_ptr<host::WindowLookup> MakeWindowLookup() = 0;
  // Items of the store at `store_path` shown by quorvia-inspector, the
  // program beside the running one.
  virtual std::unique_ptr<host::ItemWindows> MakeItemWindows(const std::string& store_path) = 0;
};

// The module's file name, and the name of the one C function it exports.
inline constexpr char kGuiModuleFile[] = "libquorvia-gui.so";
inline constexpr char kGuiModuleEntry[] = "QuorviaGuiModule";
// That function's type: it yields the module's GuiModule, which lives until
// the process ends.
using GuiModuleEntry = GuiModule* (*)();

}  // namespace desktop
