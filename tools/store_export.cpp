#include "tools/store_export.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/store/schema.h"
#include "tools/json_reader.h"
#include "tools/json_writer.h"
#include "tools/store_rows.h"

namespace storetool {
namespace {

struct FolderRow {
  std::int64_t id = 0;
  std::string entry_id;
  std::string name;
  std::string message_class;
};

// The subfolders of one open folder (or of the store) and how many are written.
struct Level {
  std::vector<FolderRow> children;
  std::size_t next = 0;
};

class Exporter {
 public:
  Exporter(const store::Database& db, std::ostream& out)
      : db_(db),
        json_(out),
        items_(db, "SELECT id, entry_id, message_class, subject, body, company_name, time_sent, "
                   "time_received, sent, unread, submitted FROM items WHERE folder = ? ORDER BY id"),
        properties_(db, "SELECT name, type, value FROM properties WHERE item = ? ORDER BY name") {}

  void Run();

 private:
  std::vector<FolderRow> Children(std::optional<std::int64_t> parent);
  void WriteFolderTree();
  void BeginFolder(const FolderRow& folder);
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
  WriteFolderTree();
  json_.EndObject();
}

std::vector<FolderRow> Exporter::Children(std::optional<std::int64_t> parent) {
  store::Statement select(db_, parent ? "SELECT id, entry_id, name, default_message_class FROM folders "
                                        "WHERE parent = ? ORDER BY id"
                                      : "SELECT id, entry_id, name, default_message_class FROM folders "
                                        "WHERE parent IS NULL ORDER BY id");
  if (parent) select.Bind(1, *parent);
  std::vector<FolderRow> children;
  while (select.Step()) children.push_back({select.Int(0), select.Text(1), select.Text(2), select.Text(3)});
  return children;
}

// Walks the tree with a stack of levels, one per open folder, so that no
// depth in the store can overflow the call stack; deeper than the store
// allows, the export fails.
void Exporter::WriteFolderTree() {
  json_.Key("folders");
  json_.BeginArray();
  std::vector<Level> levels;
  levels.push_back({Children(std::nullopt)});
  while (!levels.empty()) {
    Level& level = levels.back();
    if (level.next == level.children.size()) {
      json_.EndArray();
      levels.pop_back();
      if (!levels.empty()) json_.EndObject();
      continue;
    }
    const FolderRow folder = std::move(level.children[level.next++]);
    if (levels.size() > static_cast<std::size_t>(store::kMaxFolderDepth)) {
      throw std::runtime_error(db_.path() + ": folder " + Quote(folder.entry_id) + " (" + Quote(folder.name) +
                               "): folders nest deeper than " + std::to_string(store::kMaxFolderDepth) + " levels");
    }
    BeginFolder(folder);
    levels.push_back({Children(folder.id)});
  }
}

// Writes a folder's members up to the opening of its "folders" array.
void Exporter::BeginFolder(const FolderRow& folder) {
  owner_kind_ = "folder";
  owner_id_ = folder.entry_id;
  json_.BeginObject();
  Member("name", folder.name);
  Member("entry_id", folder.entry_id);
  Member("default_message_class", folder.message_class);
  WriteItems(folder.id);
  json_.Key("folders");
  json_.BeginArray();
}

void Exporter::WriteItems(std::int64_t folder) {
  json_.Key("items");
  json_.BeginArray();
  items_.Reset();
  items_.Bind(1, folder);
  while (items_.Step()) WriteItem();
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
  properties_.Reset();
  properties_.Bind(1, item);
  while (properties_.Step()) {
    const std::string name = properties_.Text(0);
    try {
      json_.Key(name);
    } catch (const InvalidText& error) {
      FailText(error, "property", name);
    }
    const std::string type = properties_.Text(1);
    if (type == kText) {
      Text(properties_.Text(2), "property", name);
      continue;
    }
    json_.BeginObject();
    json_.Key("type");
    Text(type, "property", name);
    json_.Key("value");
    if (type == kInteger) {
      json_.Integer(properties_.Int(2));
    } else if (type == kBoolean) {
      json_.Boolean(properties_.Int(2) != 0);
    } else {
      Text(DocumentTime(properties_.Text(2)), "property", name);
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
  throw std::runtime_error(db_.path() + ": " + owner + kind + " " + Quote(name) + ": " + error.what());
}

}  // namespace

void ExportStore(const store::Database& db, std::ostream& out) { Exporter(db, out).Run(); }

}  // namespace storetool
