#include "host/desktop/qt_application.h"

#include <QApplication>
#include <stdexcept>
#include <string>

#include "host/desktop/lost_display.h"
#include "host/desktop/window_platform.h"

namespace desktop {

QApplication& EnsureQtApplication() {
  if (QCoreApplication* existing = QCoreApplication::instance()) {
    auto* application = qobject_cast<QApplication*>(existing);
    if (application == nullptr) {
      throw std::logic_error("a QCoreApplication without widgets is already running");
    }
    return *application;
  }
  // Qt aborts the process when its platform cannot start: choose one that can.
  if (const std::string failure = PrepareWindows(); !failure.empty()) {
    throw std::runtime_error("cannot open a window: " + failure);
  }
  // Qt keeps referring to argc and argv for as long as the application lives.
  static int argc = 1;
  static char name[] = "quorvia-utilities";
  static char* argv[] = {name, nullptr};
  // Deliberately never deleted: destroying Qt during static destruction is
  // unsafe, and the process ends after its one job anyway.
  auto* application = new QApplication(argc, argv);
  ReclaimXlibIoErrors();
  return *application;
}

}  // namespace desktop
