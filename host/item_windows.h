#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace host {

// An item as its window (or the console) shows it.
class DisplayedItem {
 public:
  virtual ~DisplayedItem() = default;
  virtual std::string MessageClass() = 0;
  // The entry identifier; empty for a new item that is not stored yet.
  virtual std::string EntryID() = 0;
  // The item's text, with the line ends it was stored with.
  virtual std::string Body() = 0;
  // The entry identifier of the folder that holds (or will hold) the item.
  virtual std::string FolderEntryID() = 0;
  // The item's properties as text, by name.
  virtual std::vector<std::pair<std::string, std::string>> TextProperties() = 0;
  // Stores the item with `body` as its text, together with every change made
  // to it so far, in one transaction. Throws host::Error, having written
  // nothing, when the store refuses.
  virtual void StoreBody(const std::string& body) = 0;
};

// Where opening an item (Display) shows it.
class ItemWindows {
 public:
  virtual ~ItemWindows() = default;
  // Shows the item. Throws host::Error when it cannot be shown; a new item
  // that is not given any text is not stored and fails likewise.
  virtual void Display(DisplayedItem& item) = 0;
  // The item window that is active now, else the topmost one in the window
  // manager's stacking order; nullopt when none is shown.
  virtual std::optional<std::uint64_t> ActiveWindow() = 0;
  // Asks the window manager to minimize (iconify) that window; throws
  // host::Error when it cannot.
  virtual void Minimize(std::uint64_t window) = 0;
};

}  // namespace host
