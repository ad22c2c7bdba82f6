#include "host/desktop/lost_display.h"

#include <unistd.h>

#include <QGuiApplication>
#include <QString>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

// Xlib defines macros such as Status, Bool and None: it comes last.
#include <X11/Xlib.h>
#include <xcb/xcb.h>

namespace desktop {
namespace {

// The handlers are the process's, so is what they end the run with.
LostDisplayEnd& End() {
  static LostDisplayEnd end;
  return end;
}
QtMessageHandler previous_handler = nullptr;
// Qt's first warning about its platform since EndOnLostDisplay: it says why
// Qt could not start on it better than the fatal message that follows.
QString& FirstPlatformWarning() {
  static QString warning;
  return warning;
}

[[noreturn]] void EndRun(const std::string& reason) {
  // Two threads may find the loss at once: one ends the run.
  static std::atomic_flag ending = ATOMIC_FLAG_INIT;
  if (!ending.test_and_set()) End()(reason);
  for (;;) pause();
}

std::string LostReason(const char* display_name) {
  return std::string("lost the connection to the X display \"") + (display_name != nullptr ? display_name : "") + '"';
}

int OnXlibIoError(Display* display) {
  const int error = errno;
  std::string reason = LostReason(DisplayString(display));
  if (error != 0) reason.append(": ").append(std::strerror(error));
  EndRun(reason);
}

// Whether Qt's own X connection has broken; what Qt says then is about the
// loss, whatever it names.
bool QtConnectionBroken() {
  const auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  const auto* x11 = application != nullptr ? application->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 != nullptr && x11->connection() != nullptr && xcb_connection_has_error(x11->connection()) != 0;
}

void OnQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  const bool platform = context.category != nullptr && std::strncmp(context.category, "qt.qpa", 6) == 0;
  if (platform && type == QtWarningMsg && FirstPlatformWarning().isEmpty()) FirstPlatformWarning() = message;
  if (type != QtDebugMsg && type != QtInfoMsg && QtConnectionBroken()) EndRun(LostReason(std::getenv("DISPLAY")));
  if (type == QtFatalMsg) {
    const QString why = FirstPlatformWarning().isEmpty() ? message.section(QChar('\n'), 0, 0) : FirstPlatformWarning();
    EndRun("cannot go on with the display: " + why.toStdString());
  }
  if (previous_handler != nullptr) previous_handler(type, context, message);
}

}  // namespace

void EndOnLostDisplay(LostDisplayEnd end) {
  const bool first = !End();
  End() = std::move(end);
  if (!first) return;
  XSetIOErrorHandler(OnXlibIoError);
  previous_handler = qInstallMessageHandler(OnQtMessage);
}

void ReclaimXlibIoErrors() {
  if (End()) XSetIOErrorHandler(OnXlibIoError);
}

}  // namespace desktop
