#include "inspector/inspector_server.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QApplication>
#include <QLocalSocket>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <memory>
#include <utility>

#include "host/desktop/item_window_socket.h"
#include "host/error.h"
#include "inspector/item_windows.h"

namespace inspector {
namespace {

std::string WindowKey(const std::string& store_path, const std::string& entry_id) {
  return store_path + '\n' + entry_id;
}

[[noreturn]] void Fail(const std::string& why) { throw host::Error(host::kNotSupported, why); }

bool AnyWindowShown() {
  const auto windows = QApplication::topLevelWidgets();
  return std::any_of(windows.begin(), windows.end(), [](const QWidget* window) { return window->isVisible(); });
}

bool IsNote(const std::string& message_class) {
  return QString::fromStdString(message_class).startsWith(QStringLiteral("IPM.StickyNote"), Qt::CaseInsensitive);
}

}  // namespace

InspectorServer::InspectorServer(uid_t owner) : owner_(owner) {
  QObject::connect(&server_, &QLocalServer::newConnection, [this] { Accept(); });
  QObject::connect(&idle_check_, &QTimer::timeout, [this] { CheckIdle(); });
}

InspectorServer::~InspectorServer() {
  server_.close();
  if (lock_fd_ >= 0) close(lock_fd_);
}

bool InspectorServer::Listen(const std::string& path) {
  const std::string lock_path = desktop::InspectorLockPath(path);
  lock_fd_ = open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (lock_fd_ < 0) Fail("cannot open the inspector's lock " + lock_path + ": " + std::strerror(errno));
  if (flock(lock_fd_, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK) Fail("cannot lock " + lock_path + ": " + std::strerror(errno));
    close(lock_fd_);
    lock_fd_ = -1;
    return false;  // the inspector holding it serves this user and display
  }
  // Under the lock, a socket at the path is one that a dead inspector left.
  if (const std::string refused = desktop::CheckSocketFile(path, owner_); !refused.empty()) Fail(refused);
  unlink(path.c_str());
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_.listen(QString::fromStdString(path))) {
    Fail("cannot listen on " + path + ": " + server_.errorString().toStdString());
  }
  path_ = path;
  return true;
}

void InspectorServer::EndWhenIdle(int idle_ms, std::function<void()> end) {
  idle_ms_ = idle_ms;
  end_ = std::move(end);
  idle_since_.invalidate();
  idle_check_.start(std::max(idle_ms / 4, 10));
}

void InspectorServer::CheckIdle() {
  if (connected_ > 0 || AnyWindowShown()) {
    idle_since_.invalidate();
    return;
  }
  if (!idle_since_.isValid()) idle_since_.start();
  if (idle_since_.elapsed() < idle_ms_) return;
  if (!StopListening()) {
    idle_since_.invalidate();
    return;
  }
  idle_check_.stop();
  end_();
}

bool InspectorServer::StopListening() {
  // Without its name no program connects any more; one that starts an
  // inspector now finds the lock still held and tries again.
  unlink(path_.c_str());
  bool timed_out = false;
  while (server_.isListening() && !timed_out) server_.waitForNewConnection(0, &timed_out);
  server_.close();
  if (connected_ == 0) return true;
  // Programs that connected before the name went are served, not dropped.
  if (!server_.listen(QString::fromStdString(path_))) {
    std::cerr << "quorvia-inspector: cannot listen on " << path_ << " again: "
              << server_.errorString().toStdString() << '\n';
  }
  return false;
}

void InspectorServer::Accept() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    const std::string refused = desktop::CheckPeer(static_cast<int>(socket->socketDescriptor()), owner_);
    if (!refused.empty()) {
      std::cerr << "quorvia-inspector: " << refused << '\n';
      socket->abort();
      socket->deleteLater();
      continue;
    }
    ++connected_;
    auto received = std::make_shared<QByteArray>();
    QObject::connect(socket, &QLocalSocket::disconnected, socket, [this, socket] {
      --connected_;
      socket->deleteLater();
    });
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
