#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace store {
class StoreSession;
}  // namespace store

namespace inspector {

// A note's size and place on the screen, in pixels.
struct NoteLayout {
  int width = 0;
  int height = 0;
  int x = 0;
  int y = 0;
};

// What an item window shows of an item.
struct ItemContents {
  std::string entry_id;  // empty for a new note not stored yet
  std::string message_class;
  std::string subject;
  std::string body;  // with the stored line ends (CR LF)
  std::vector<std::pair<std::string, std::string>> properties;  // by name, as text
  std::optional<NoteLayout> layout;  // when the item has all four note layout fields
};

// Reads items of one store and writes what a note window changes: each
// write one transaction of only the fields it names, journaled as a run of
// its own.
class ItemAccess {
 public:
  explicit ItemAccess(const std::string& store_path);

  // The stored item; throws host::Error when the store does not hold it.
  ItemContents Read(const std::string& entry_id);
  // Stores a new note in the folder with `properties` (as text) and `body`;
  // yields its entry identifier.
  std::string Create(const std::string& folder_entry_id, const std::string& message_class,
                     const std::vector<std::pair<std::string, std::string>>& properties,
                     const std::string& body);
  // Writes the note's body and, when given, its layout in the five note
  // fields (the colour stays yellow).
  void Save(const std::string& entry_id, const std::string& body, const std::optional<NoteLayout>& layout);

 private:
  // Makes `write` in one transaction, journaled as a run named `command`.
  template <class Write>
  void AsRun(const std::string& command, Write&& write);

  std::shared_ptr<store::StoreSession> session_;
};

}  // namespace inspector
