#pragma once

class QApplication;

namespace desktop {

// The process's QApplication, made on the first call when none exists yet.
// One made here lives until the process ends, on the platform PrepareWindows
// pins. Throws std::logic_error when the process already has a
// QCoreApplication that cannot show widgets, and std::runtime_error, without
// making one, when no window can be opened.
QApplication& EnsureQtApplication();

}  // namespace desktop
