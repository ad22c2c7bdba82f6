#include "host/desktop/qt_event_pump.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMetaObject>

#include "host/desktop/qt_application.h"

namespace desktop {
namespace {

TEST(QtEventPumpTest, WithoutApplicationDoesNothing) {
  // CTest runs every test in a process of its own; a whole-binary run may
  // have made the application already.
  if (QCoreApplication::instance() != nullptr) GTEST_SKIP() << "an application already exists";
  QtEventPump pump;
  pump.DoEvents();
  EXPECT_EQ(QCoreApplication::instance(), nullptr);
}

TEST(QtEventPumpTest, RunsTheEventsThatAreWaiting) {
  QCoreApplication* application = &EnsureQtApplication();
  int calls = 0;
  for (int i = 0; i < 3; ++i) {
    QMetaObject::invokeMethod(application, [&calls] { ++calls; }, Qt::QueuedConnection);
  }
  EXPECT_EQ(calls, 0);
  QtEventPump pump;
  pump.DoEvents();
  EXPECT_EQ(calls, 3);
  pump.DoEvents();
  EXPECT_EQ(calls, 3);
}

}  // namespace
}  // namespace desktop
