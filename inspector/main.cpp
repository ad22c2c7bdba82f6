#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "host/desktop/window_platform.h"
#include "inspector/inspector_server.h"
#include "inspector/startup.h"

namespace {

// How long a new inspector waits for its first window before it ends: one
// started for an item that then could not be shown does not stay on.
constexpr int kFirstWindowMs = 30000;

bool AnyWindowShown() {
  const auto windows = QApplication::topLevelWidgets();
  return std::any_of(windows.begin(), windows.end(), [](const QWidget* window) { return window->isVisible(); });
}

}  // namespace

// quorvia-inspector: the item windows of the utility, one process per user
// and display, fed over its local socket. It ends when its last window
// closes; started while another inspector runs, it ends at once.
int main(int argc, char** argv) {
  if (const auto answered = inspector::AnswerCommandLine({argv + 1, argv + argc}, std::cout, std::cerr)) {
    return *answered;
  }
  inspector::KeepErrorsInLog();
  // Qt aborts where it finds no platform: the reason instead, before any Qt object.
  if (const std::string failure = desktop::PrepareWindows(); !failure.empty()) {
    std::cerr << "quorvia-inspector: cannot open a window: " << failure << '\n';
    return 2;
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("quorvia-inspector"));
  inspector::InspectorServer server;
  if (!server.Listen()) return 0;
  QTimer::singleShot(kFirstWindowMs, [] {
    if (!AnyWindowShown()) QApplication::quit();
  });
  return QApplication::exec();
}
