#include "host/desktop/qt_event_pump.h"

#include <QCoreApplication>

namespace desktop {

void QtEventPump::DoEvents() {
  if (QCoreApplication::instance() != nullptr) QCoreApplication::processEvents();
}

}  // namespace desktop
