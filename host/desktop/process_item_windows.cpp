#include "host/desktop/process_item_windows.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QLocalSocket>
#include <QThread>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#include "host/desktop/beside_this_program.h"
#include "host/desktop/item_window_socket.h"
#include "host/desktop/qt_application.h"
#include "host/desktop/x11_inspector_windows.h"
#include "host/child_signals.h"
#include "host/error.h"

extern char** environ;

namespace desktop {
namespace {

constexpr int kStartTimeoutMs = 10000;
constexpr int kConnectTimeoutMs = 1000;
constexpr int kReplyTimeoutMs = 10000;

[[noreturn]] void Fail(const std::string& what) { throw host::Error(host::kNotSupported, what); }

// Starts the inspector detached: a session of its own, no terminal, nothing
// of ours open; it is never waited for.
pid_t StartInspector(const std::string& program) {
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addclosefrom_np(&files, 3);
  const host::ChildAttributes attributes(POSIX_SPAWN_SETSID);
  std::string name = program;
  char* argv[] = {name.data(), nullptr};
  pid_t pid = -1;
  const int failure = posix_spawn(&pid, program.c_str(), &files, attributes.get(), argv, environ);
  posix_spawn_file_actions_destroy(&files);
  if (failure != 0) Fail("cannot start " + program + ": " + std::strerror(failure));
  return pid;
}

// Connects to the inspector listening at `path` when one does and runs as
// `owner`; fails, having sent nothing, when anyone else is there.
bool Connect(QLocalSocket& socket, const std::string& path, uid_t owner) {
  if (const std::string refused = CheckSocketFile(path, owner); !refused.empty()) Fail(refused);
  socket.connectToServer(QString::fromStdString(path));
  if (!socket.waitForConnected(kConnectTimeoutMs)) {
    socket.abort();
    return false;
  }
  if (const std::string refused = CheckPeer(static_cast<int>(socket.socketDescriptor()), owner); !refused.empty()) {
    socket.abort();
    Fail(refused);
  }
  return true;
}

// Whether the inspector started as `pid` has ended: with status 0 it found
// another inspector running and left the item to it; else it failed.
bool HandedOver(pid_t pid, const std::string& program) {
  int status = 0;
  if (waitpid(pid, &status, WNOHANG) != pid) return false;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
  Fail(program + " ended before it could show the item");
}

// Connects to the running inspector, starting one when none answers. One
// that hands over to another inspector, which may have ended meanwhile, is
// followed by a new one.
void ConnectOrStart(QLocalSocket& socket, const std::string& program, uid_t owner) {
  const std::string path = InspectorSocketPath();
  if (Connect(socket, path, owner)) return;
  QElapsedTimer waited;
  waited.start();
  pid_t running = StartInspector(program);
  while (!Connect(socket, path, owner)) {
    if (running != 0 && HandedOver(running, program)) {
      running = 0;
    } else if (running == 0) {
      running = StartInspector(program);
    }
    if (waited.elapsed() > kStartTimeoutMs) Fail(program + " did not answer on its socket");
    QThread::msleep(20);
  }
}

QStringList Request(host::DisplayedItem& item, const std::string& store_path) {
  const std::string entry_id = item.EntryID();
  if (!entry_id.empty()) {
    return {kOpenRequest, QString::fromStdString(store_path), QString::fromStdString(entry_id)};
  }
  QStringList request = {kNewRequest, QString::fromStdString(store_path),
                         QString::fromStdString(item.FolderEntryID()),
                         QString::fromStdString(item.MessageClass())};
  for (const auto& [name, text] : item.TextProperties()) {
    request << QString::fromStdString(name) << QString::fromStdString(text);
  }
  return request;
}

}  // namespace

InspectorItemWindows::InspectorItemWindows(std::string store_path, std::string inspector, uid_t owner)
    : store_path_(std::move(store_path)), inspector_(std::move(inspector)), owner_(owner) {}

void InspectorItemWindows::Display(host::DisplayedItem& item) {
  EnsureQtApplication();
  const QStringList request = Request(item, std::filesystem::absolute(store_path_).string());
  QLocalSocket socket;
  ConnectOrStart(socket, inspector_, owner_);
  socket.write(FrameMessage(request));
  if (!socket.waitForBytesWritten(kReplyTimeoutMs)) Fail("the item could not be handed to the inspector");
  QByteArray received;
  std::optional<QStringList> reply;
  while (!(reply = TakeMessage(received))) {
    if (!socket.waitForReadyRead(kReplyTimeoutMs)) Fail("the inspector did not say whether it showed the item");
    received += socket.readAll();
  }
  if (reply->value(0) != kReplyDone) Fail(reply->value(0).toStdString());
}

std::optional<std::uint64_t> InspectorItemWindows::ActiveWindow() { return ActiveInspectorWindow(); }

void InspectorItemWindows::Minimize(std::uint64_t window) { IconifyWindow(window); }

std::string InspectorBesideThisProgram() { return BesideThisProgram("quorvia-inspector").string(); }

}  // namespace desktop
