#pragma once

class QApplication;

namespace desktop {

// The process's QApplication, made on the first call when none exists yet.
// One made here lives until the process ends. Throws std::logic_error when the
// process already has a QCoreApplication that cannot show widgets.
QApplication& EnsureQtApplication();

}  // namespace desktop
