#include "inspector/inspector_server.h"

#include <QLocalSocket>
#include <memory>

#include "host/desktop/item_window_socket.h"
#include "host/error.h"
#include "inspector/item_windows.h"

namespace inspector {
namespace {

std::string WindowKey(const std::string& store_path, const std::string& entry_id) {
  return store_path + '\n' + entry_id;
}

bool IsNote(const std::string& message_class) {
  return QString::fromStdString(message_class).startsWith(QStringLiteral("IPM.StickyNote"), Qt::CaseInsensitive);
}

}  // namespace

bool InspectorServer::Listen() {
  const QString name = desktop::InspectorServerName();
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_.listen(name)) {
    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(1000)) return false;
    // A socket file left by an inspector that is gone.
    QLocalServer::removeServer(name);
    if (!server_.listen(name)) return false;
  }
  QObject::connect(&server_, &QLocalServer::newConnection, [this] { Accept(); });
  return true;
}

void InspectorServer::Accept() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    auto received = std::make_shared<QByteArray>();
    QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket, received] {
      *received += socket->readAll();
      while (const auto request = desktop::TakeMessage(*received)) {
        socket->write(desktop::FrameMessage({Handle(*request)}));
      }
      socket->flush();
    });
  }
}

QString InspectorServer::Handle(const QStringList& request) {
  try {
    if (request.value(0) == desktop::kOpenRequest && request.size() == 3) {
      return Open(request[1].toStdString(), request[2].toStdString());
    }
    if (request.value(0) == desktop::kNewRequest && request.size() >= 4 && request.size() % 2 == 0) {
      return OpenNew(request);
    }
    return QStringLiteral("the inspector does not understand the request");
  } catch (const host::Error& error) {
    return QString::fromStdString(error.description());
  }
}

QString InspectorServer::Open(const std::string& store_path, const std::string& entry_id) {
  const std::string key = WindowKey(store_path, entry_id);
  if (const auto open = windows_.find(key); open != windows_.end() && open->second) {
    Show(open->second, key);
    return desktop::kReplyDone;
  }
  ItemAccess& access = AccessTo(store_path);
  ItemContents contents = access.Read(entry_id);
  QWidget* window = nullptr;
  if (IsNote(contents.message_class)) {
    window = new NoteWindow(access, std::move(contents), {}, [](const std::string&) {});
  } else {
    window = new ItemWindow(contents);
  }
  Show(window, key);
  return desktop::kReplyDone;
}

QString InspectorServer::OpenNew(const QStringList& request) {
  const std::string store_path = request[1].toStdString();
  ItemContents contents;
  contents.message_class = request[3].toStdString();
  for (qsizetype i = 4; i + 1 < request.size(); i += 2) {
    contents.properties.emplace_back(request[i].toStdString(), request[i + 1].toStdString());
  }
  // Once stored, the note is an item like any other: opening it raises it.
  auto self = std::make_shared<QPointer<QWidget>>();
  auto* window = new NoteWindow(AccessTo(store_path), std::move(contents), request[2].toStdString(),
                                [this, store_path, self](const std::string& entry_id) {
                                  windows_[WindowKey(store_path, entry_id)] = *self;
                                });
  *self = window;
  Present(window);
  return desktop::kReplyDone;
}

ItemAccess& InspectorServer::AccessTo(const std::string& store_path) {
  auto& access = stores_[store_path];
  if (!access) access = std::make_unique<ItemAccess>(store_path);
  return *access;
}

void InspectorServer::Show(QWidget* window, const std::string& key) {
  windows_[key] = window;
  Present(window);
}

void InspectorServer::Present(QWidget* window) {
  window->showNormal();
  window->raise();
  window->activateWindow();
}

}  // namespace inspector
