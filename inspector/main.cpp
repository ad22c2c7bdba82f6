#include <QApplication>

#include "inspector/inspector_server.h"

// quorvia-inspector: the item windows of the utility, one process per user
// and display, fed over its local socket. It ends when its last window
// closes; started while another inspector runs, it ends at once.
int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("quorvia-inspector"));
  inspector::InspectorServer server;
  if (!server.Listen()) return 0;
  return QApplication::exec();
}
