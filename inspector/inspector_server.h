#pragma once

#include <QLocalServer>
#include <QPointer>
#include <QStringList>
#include <QWidget>
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
  // Listens on the socket name; yields false when another inspector answers
  // there already (or the socket cannot be made).
  bool Listen();

  // Handles one request; yields the reply ("ok" or why the item could not
  // be shown).
  QString Handle(const QStringList& request);

 private:
  void Accept();
  QString Open(const std::string& store_path, const std::string& entry_id);
  QString OpenNew(const QStringList& request);
  ItemAccess& AccessTo(const std::string& store_path);
  // Registers `window` as the one of `key` and presents it.
  void Show(QWidget* window, const std::string& key);
  // Shows the window, not minimized, raised and active.
  static void Present(QWidget* window);

  QLocalServer server_;
  std::map<std::string, std::unique_ptr<ItemAccess>> stores_;
  std::map<std::string, QPointer<QWidget>> windows_;  // by store path and entry identifier
};

}  // namespace inspector
