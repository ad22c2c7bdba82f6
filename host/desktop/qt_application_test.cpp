#include "host/desktop/qt_application.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QStringList>

namespace desktop {
namespace {

TEST(EnsureQtApplicationTest, MakesOneApplicationThatKeepsItsArguments) {
  QApplication& first = EnsureQtApplication();
  QApplication& second = EnsureQtApplication();
  EXPECT_EQ(&first, &second);
  EXPECT_EQ(QCoreApplication::instance(), &first);
  // Read after the making call returned: arguments that did not outlive it
  // would show here as garbage (or as an AddressSanitizer report).
  EXPECT_EQ(QCoreApplication::arguments(), QStringList{"quorvia-utilities"});
}

}  // namespace
}  // namespace desktop
