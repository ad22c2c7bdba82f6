#include "tools/store_export.h"

#include <cstdint>
#include <stdexcept>
#include <string>

#include "host/store/dialect.h"
#include "host/store/schema.h"
#include "tools/json_reader.h"
#include "tools/json_writer.h"
#include "tools/store_listing.h"
#include "tools/store_rows.h"

namespace storetool {
namespace {

std::string ItemsSql(const store::Dialect& dialect) {
  return FolderTreeQuery(std::string("SELECT i.id, i.entry_id, i.message_class, i.subject, i.body, i.company_name, "
                                     "i.time_sent, i.time_received, i.sent, i.unread, i.submitted, i.folder FROM items i") +
                         dialect.items_not_indexed + " " + dialect.join_in_order +
                         " ranked r ON r.id = i.folder ORDER BY r.position, i.id");
}

std::string PropertiesSql(const store::Dialect& dialect) {
  const std::string join = std::string(" ") + dialect.join_in_order + " ";
  return FolderTreeQuery(std::string("SELECT p.item, p.name, p.type, p.value FROM properties p") +
                         dialect.by_item_index + join + "items i ON i.id = p.item" + join +
                         "ranked r ON r.id = i.folder ORDER BY r.position, p.item, p.name");
}

// Items and properties come sorted by folder, in writing order, then item,
// so that writing the folders in that order consumes both streams in step.
// Each query scans its table once in key order (the properties' primary key
// is named because the planner otherwise walks a secondary index and looks
// every row up again) instead of seeking folder by folder and item by item
// across the file, and SQLite's sorter spills to temporary files past its
// cache, so memory stays small.
class Exporter {
 public:
  Exporter(const store::Database& db, std::ostream& out)
      : db_(db),
        json_(out),
        items_(db, ItemsSql(db.dialect()).c_str()),
        properties_(db, PropertiesSql(db.dialect()).c_str()) {}

  void Run();

 private:
  void WriteFolders();
  void BeginFolder(const store::Statement& folder);
  void WriteItems(std::int64_t folder);
  void WriteItem();
  void WriteTime(const char* member, int column);
  void WriteProperties(std::int64_t item);
  void Text(std::string_view text, const char* kind, std::string_view name);
  [[noreturn]] void FailText(const InvalidText& error, const char* kind, std::string_view name) const;
  void Member(const char* name, std::string_view text) {
    json_.Key(name);
    Text(text, "member", name);
  }

  const store::Database& db_;
  JsonWriter json_;
  store::Statement items_;
  store::Statement properties_;
  bool item_ready_ = false;      // items_ holds the next item to write
  bool property_ready_ = false;  // properties_ holds the next property to write
  // The folder or item being written (none: the store's own members), for messages.
  const char* owner_kind_ = nullptr;
  std::string owner_id_;
};

void Exporter::Run() {
  store::Statement header(db_, "SELECT store_id, outlook_version FROM store WHERE id = 1");
  const bool found = header.Step();
  json_.BeginObject();
  json_.Key("format");
  json_.Integer(1);
  Member("store_id", found ? header.Text(0) : "");
  Member("outlook_version", found ? header.Text(1) : "");
  WriteFolders();
  json_.EndObject();
}

// Folders come in writing order with their depth: a folder closes the
// open folders at its depth or deeper before it opens.
void Exporter::WriteFolders() {
  json_.Key("folders");
  json_.BeginArray();
  item_ready_ = items_.Step();
  property_ready_ = properties_.Step();
  store::Statement folders(db_, FolderTreeQuery("SELECT f.id, r.depth, f.entry_id, f.name, f.default_message_class "
                                                "FROM ranked r JOIN folders f ON f.id = r.id ORDER BY r.position")
                                    .c_str());
  std::int64_t open = 0;
  while (folders.Step()) {
    if (folders.Int(1) >= store::kMaxFolderDepth) throw TooDeepFolder(db_, folders.Text(2), folders.Text(3));
    for (; open > folders.Int(1); --open) {
      json_.EndArray();
      json_.EndObject();
    }
    BeginFolder(folders);
    ++open;
  }
  for (; open > 0; --open) {
    json_.EndArray();
    json_.EndObject();
  }
  json_.EndArray();
}

// Writes a folder's members up to the opening of its "folders" array.
void Exporter::BeginFolder(const store::Statement& folder) {
  owner_kind_ = "folder";
  owner_id_ = folder.Text(2);
  json_.BeginObject();
  Member("name", folder.Text(3));
  Member("entry_id", owner_id_);
  Member("default_message_class", folder.Text(4));
  WriteItems(folder.Int(0));
  json_.Key("folders");
  json_.BeginArray();
}

void Exporter::WriteItems(std::int64_t folder) {
  json_.Key("items");
  json_.BeginArray();
  for (; item_ready_ && items_.Int(11) == folder; item_ready_ = items_.Step()) WriteItem();
  json_.EndArray();
}

void Exporter::WriteItem() {
  static constexpr const char* kTexts[] = {"entry_id", "message_class", "subject", "body", "company_name"};
  static constexpr const char* kFlags[] = {"sent", "unread", "submitted"};
  owner_kind_ = "item";
  owner_id_ = items_.Text(1);
  json_.BeginObject();
  for (int i = 0; i < 5; ++i) Member(kTexts[i], items_.Text(i + 1));
  WriteTime("time_sent", 6);
  WriteTime("time_received", 7);
  for (int i = 0; i < 3; ++i) {
    json_.Key(kFlags[i]);
    json_.Boolean(items_.Int(i + 8) != 0);
  }
  WriteProperties(items_.Int(0));
  json_.EndObject();
}

void Exporter::WriteTime(const char* member, int column) {
  json_.Key(member);
  if (items_.IsNull(column)) {
    json_.Null();
  } else {
    Text(DocumentTime(items_.Text(column)), "member", member);
  }
}

void Exporter::WriteProperties(std::int64_t item) {
  json_.Key("properties");
  json_.BeginObject();
  for (; property_ready_ && properties_.Int(0) == item; property_ready_ = properties_.Step()) {
    const std::string name = properties_.Text(1);
    try {
      json_.Key(name);
    } catch (const InvalidText& error) {
      FailText(error, "property", name);
    }
    const std::string type = properties_.Text(2);
    if (type == kText) {
      Text(properties_.Text(3), "property", name);
      continue;
    }
    json_.BeginObject();
    json_.Key("type");
    Text(type, "property", name);
    json_.Key("value");
    if (type == kInteger) {
      json_.Integer(properties_.Int(3));
    } else if (type == kBoolean) {
      json_.Boolean(properties_.Int(3) != 0);
    } else {
      Text(DocumentTime(properties_.Text(3)), "property", name);
    }
    json_.EndObject();
  }
  json_.EndObject();
}

// Writes a string, or fails naming the store, the item or folder, and the
// member or property whose text a JSON document cannot hold.
void Exporter::Text(std::string_view text, const char* kind, std::string_view name) {
  try {
    json_.String(text);
  } catch (const InvalidText& error) {
    FailText(error, kind, name);
  }
}

void Exporter::FailText(const InvalidText& error, const char* kind, std::string_view name) const {
  const std::string owner = owner_kind_ == nullptr ? "" : owner_kind_ + (" " + Quote(owner_id_)) + ", ";
  throw std::runtime_error(db_.location() + ": " + owner + kind + " " + Quote(name) + ": " + error.what());
}

}  // namespace

void ExportStore(const store::Database& db, std::ostream& out) {
  for (const char* setting : db.dialect().configure_reader) {
    if (*setting != '\0') store::Statement(db, setting).Step();
  }
  Exporter(db, out).Run();
}

}  // namespace storetool
