#include <QApplication>
#include <iostream>
#include <string>

#include "host/desktop/item_window_socket.h"
#include "host/desktop/window_platform.h"
#include "host/child_signals.h"
#include "host/error.h"
#include "inspector/inspector_server.h"
#include "inspector/startup.h"

namespace {

// How long the inspector stays without a window or a program connected:
// long enough for the program that started it to connect, short enough
// that none lingers.
constexpr int kIdleMs = 3000;

}  // namespace

// quorvia-inspector: the item windows of the utility, one process per user
// and display, fed over its local socket. Started while another inspector
// runs, it leaves the items to that one and ends at once; it ends a few
// seconds after its last window closed, or after it started when no window
// opens.
int main(int argc, char** argv) {
  host::IgnoreBrokenPipes();
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
  QApplication::setQuitOnLastWindowClosed(false);
  inspector::InspectorServer server;
  try {
    if (!server.Listen(desktop::InspectorSocketPath())) return 0;
  } catch (const host::Error& error) {
    std::cerr << "quorvia-inspector: " << error.description() << '\n';
    return 1;
  }
  server.EndWhenIdle(kIdleMs, [] { QApplication::quit(); });
  return QApplication::exec();
}
