#include "host/desktop/item_window_socket.h"

#include <unistd.h>

#include <QDataStream>
#include <QIODevice>
#include <QtEndian>
#include <cstdlib>

namespace desktop {
namespace {

constexpr qsizetype kLengthBytes = 4;

}  // namespace

QString InspectorServerName() {
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') display = std::getenv("WAYLAND_DISPLAY");
  QString name = QStringLiteral("quorvia-inspector-%1-").arg(getuid());
  // Only characters that are safe in a socket file name.
  for (const QChar c : QString::fromUtf8(display == nullptr ? "" : display)) {
    name += c.isLetterOrNumber() ? c : QChar('_');
  }
  return name;
}

QByteArray FrameMessage(const QStringList& message) {
  QByteArray body;
  QDataStream out(&body, QIODevice::WriteOnly);
  out << message;
  QByteArray framed(kLengthBytes, '\0');
  qToBigEndian(static_cast<quint32>(body.size()), framed.data());
  return framed + body;
}

std::optional<QStringList> TakeMessage(QByteArray& buffer) {
  if (buffer.size() < kLengthBytes) return std::nullopt;
  const auto length = static_cast<qsizetype>(qFromBigEndian<quint32>(buffer.constData()));
  if (buffer.size() < kLengthBytes + length) return std::nullopt;
  QDataStream in(buffer.mid(kLengthBytes, length));
  QStringList message;
  in >> message;
  buffer.remove(0, kLengthBytes + length);
  return message;
}

}  // namespace desktop
