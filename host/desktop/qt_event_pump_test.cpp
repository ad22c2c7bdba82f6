#include "host/desktop/qt_event_pump.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

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

}  // namespace
}  // namespace desktop
