#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QLocalServer>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "inspector/note_item.h"

namespace inspector {

// The one inspector of a user and display: takes requests on its local
// socket and opens each item in a window of its own, or raises the window
// that shows it already.
class InspectorServer {
 public:
  // Only programs that run as `owner` (this process's user) are served.
  explicit InspectorServer(uid_t owner = geteuid());
  ~InspectorServer();
  InspectorServer(const InspectorServer&) = delete;
  InspectorServer& operator=(const InspectorServer&) = delete;

  // Becomes the one inspector of the socket at `path`: takes the lock beside
  // it and listens there. Yields false, listening nowhere, when another
  // inspector holds the lock. Throws host::Error saying why it cannot listen.
  bool Listen(const std::string& path);

  // Calls `end` once no window has been open and no program connected for
  // `idle_ms`, having stopped listening first; a program that connected
  // meanwhile is served instead, and the wait begins again.
  void EndWhenIdle(int idle_ms, std::function<void()> end);

  // Handles one request; yields the reply ("ok" or why the item could not
  // be shown).
  QString Handle(const QStringList& request);

 private:
  void Accept();
  void CheckIdle();
  // Stops listening; yields false, listening again, when programs connected
  // in the meantime.
  bool StopListening();
  QString Open(const std::string& store_path, const std::string& entry_id);
  QString OpenNew(const QStringList& request);
  ItemAccess& AccessTo(const std::string& store_path);
  // Registers `window` as the one of `key` and presents it.
  void Show(QWidget* window, const std::string& key);
  // Shows the window, not minimized, raised and active.
  static void Present(QWidget* window);

  uid_t owner_;
  std::string path_;
  int lock_fd_ = -1;
  QLocalServer server_;
  int connected_ = 0;  // programs connected now
  QTimer idle_check_;
  QElapsedTimer idle_since_;  // invalid while busy
  int idle_ms_ = 0;
  std::function<void()> end_;
  std::map<std::string, std::unique_ptr<ItemAccess>> stores_;
  std::map<std::string, QPointer<QWidget>> windows_;  // by store path and entry identifier
};

}  // namespace inspector
