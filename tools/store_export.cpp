#include "tools/store_export.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/store/schema.h"
#include "tools/folder_spool.h"
#include "tools/json_reader.h"
#include "tools/json_writer.h"
#include "tools/store_listing.h"
#include "tools/store_rows.h"

namespace storetool {
namespace {

// A folder, in writing order, and the items spooled for it.
struct FolderRow {
  std::int64_t depth = 0;
  std::string entry_id;
  std::string name;
  std::string default_message_class;
  std::size_t items = 0;
};

// Items are read by id and properties by item and name, the order both are
// kept in, so the two go in step and nothing is sorted: sorting every
// property row by its item's folder was most of an export's work, and
// sorting it again on a second thread most of its CPU. Both are read a
// batch of items at a time, by ranges of ids: a server's connection streams
// one statement at a time, and keeps the rest of the other's rows, which
// are then only the rest of a batch's items. Each item's text goes, as it is
// read, after the text of its folder's earlier items in a spool, and the
// document is written folder by folder from the spool at the end. Memory
// grows with the folders, not the items.
class Exporter {
 public:
  Exporter(store::Database& db, std::ostream& out)
      : db_(db),
        json_(out),
        item_json_(item_text_),
        batch_end_(db, "SELECT max(id) FROM (SELECT id FROM items WHERE id > ?1 ORDER BY id LIMIT 1000) AS batch"),
        items_(db, "SELECT id, entry_id, message_class, subject, body, company_name, time_sent, time_received, sent, "
                   "unread, submitted, folder FROM items WHERE id > ?1 AND id <= ?2 ORDER BY id"),
        properties_(db, "SELECT item, name, type, value FROM properties WHERE item > ?1 AND item <= ?2 "
                        "ORDER BY item, name") {}

  void Run();

 private:
  void ReadFolders();
  void SpoolItems();
  void SpoolBatch();
  void WriteFolders(FolderSpool& spool);
  void WriteItem();
  void WriteTime(const char* member, int column);
  void WriteProperties(std::int64_t item);
  void Text(JsonWriter& json, std::string_view text, const char* kind, std::string_view name);
  [[noreturn]] void FailText(const InvalidText& error, const char* kind, std::string_view name) const;
  void Member(const char* name, std::string_view text) {
    json_.Key(name);
    Text(json_, text, "member", name);
  }
  void ItemMember(const char* name, std::string_view text) {
    item_json_.Key(name);
    Text(item_json_, text, "member", name);
  }

  store::Database& db_;
  JsonWriter json_;
  std::string item_text_;  // the item being written, laid out for its folder's spool
  JsonWriter item_json_;
  store::Statement batch_end_;  // the last id of the batch after ?1
  store::Statement items_;
  store::Statement properties_;
  bool property_ready_ = false;  // properties_ holds the next property to write
  std::vector<FolderRow> folders_;
  std::unordered_map<std::int64_t, std::size_t> folder_index_;  // folder id to its place in folders_
  std::unique_ptr<FolderSpool> spool_;
  // The folder or item being written (none: the store's own members), for messages.
  const char* owner_kind_ = nullptr;
  std::string owner_id_;
};

void Exporter::Run() {
  ReadFolders();
  spool_ = std::make_unique<FolderSpool>(folders_.size());
  SpoolItems();
  owner_kind_ = nullptr;
  store::Statement header(db_, "SELECT store_id, outlook_version FROM store WHERE id = 1");
  const bool found = header.Step();
  json_.BeginObject();
  json_.Key("format");
  json_.Integer(1);
  Member("store_id", found ? header.Text(0) : "");
  Member("outlook_version", found ? header.Text(1) : "");
  WriteFolders(*spool_);
  json_.EndObject();
}

void Exporter::ReadFolders() {
  store::Statement folders(db_, FolderTreeQuery("SELECT f.id, r.depth, f.entry_id, f.name, f.default_message_class "
                                                "FROM ranked r JOIN folders f ON f.id = r.id ORDER BY r.position")
                                    .c_str());
  while (folders.Step()) {
    if (folders.Int(1) >= store::kMaxFolderDepth) throw TooDeepFolder(db_, folders.Text(2), folders.Text(3));
    folder_index_.emplace(folders.Int(0), folders_.size());
    folders_.push_back({folders.Int(1), folders.Text(2), folders.Text(3), folders.Text(4), 0});
  }
}

void Exporter::SpoolItems() {
  for (std::int64_t after = std::numeric_limits<std::int64_t>::min();;) {
    batch_end_.Reset();
    if (!batch_end_.Bind(1, after).Step() || batch_end_.IsNull(0)) return;
    const std::int64_t last = batch_end_.Int(0);
    batch_end_.Reset();
    items_.Reset();
    items_.Bind(1, after).Bind(2, last);
    properties_.Reset();
    properties_.Bind(1, after).Bind(2, last);
    SpoolBatch();
    after = last;
  }
}

// An item of a folder outside the tree is left out, as its folder is. The
// items start first: on a server, the rest of theirs is what waits in
// memory while the properties stream.
void Exporter::SpoolBatch() {
  bool item_ready = items_.Step();
  property_ready_ = properties_.Step();
  for (; item_ready; item_ready = items_.Step()) {
    const auto folder = folder_index_.find(items_.Int(11));
    if (folder == folder_index_.end()) continue;
    FolderRow& row = folders_[folder->second];
    item_text_.clear();
    // An item sits in its folder's "items" array: two levels per folder
    // above it and two for the document and its "folders" array.
    item_json_.Resume(4 + 2 * static_cast<std::size_t>(row.depth), row.items++);
    WriteItem();
    spool_->Add(folder->second, item_text_);
  }
}

// A folder closes the open folders at its depth or deeper before it opens.
void Exporter::WriteFolders(FolderSpool& spool) {
  json_.Key("folders");
  json_.BeginArray();
  std::int64_t open = 0;
  for (std::size_t index = 0; index < folders_.size(); ++index) {
    const FolderRow& folder = folders_[index];
    for (; open > folder.depth; --open) {
      json_.EndArray();
      json_.EndObject();
    }
    owner_kind_ = "folder";
    owner_id_ = folder.entry_id;
    json_.BeginObject();
    Member("name", folder.name);
    Member("entry_id", owner_id_);
    Member("default_message_class", folder.default_message_class);
    json_.Key("items");
    json_.BeginArray();
    spool.Replay(index, [this](std::string_view text) { json_.Raw(text); });
    json_.AddElements(folder.items);
    json_.EndArray();
    json_.Key("folders");
    json_.BeginArray();
    ++open;
  }
  for (; open > 0; --open) {
    json_.EndArray();
    json_.EndObject();
  }
  json_.EndArray();
}

void Exporter::WriteItem() {
  static constexpr const char* kTexts[] = {"entry_id", "message_class", "subject", "body", "company_name"};
  static constexpr const char* kFlags[] = {"sent", "unread", "submitted"};
  owner_kind_ = "item";
  owner_id_ = items_.Text(1);
  item_json_.BeginObject();
  for (int i = 0; i < 5; ++i) ItemMember(kTexts[i], items_.Text(i + 1));
  WriteTime("time_sent", 6);
  WriteTime("time_received", 7);
  for (int i = 0; i < 3; ++i) {
    item_json_.Key(kFlags[i]);
    item_json_.Boolean(items_.Int(i + 8) != 0);
  }
  WriteProperties(items_.Int(0));
  item_json_.EndObject();
}

void Exporter::WriteTime(const char* member, int column) {
  item_json_.Key(member);
  if (items_.IsNull(column)) {
    item_json_.Null();
  } else {
    Text(item_json_, DocumentTime(items_.Text(column)), "member", member);
  }
}

// Properties of items that are not written (none, but for a damaged
// store) are passed over.
void Exporter::WriteProperties(std::int64_t item) {
  while (property_ready_ && properties_.Int(0) < item) property_ready_ = properties_.Step();
  item_json_.Key("properties");
  item_json_.BeginObject();
  for (; property_ready_ && properties_.Int(0) == item; property_ready_ = properties_.Step()) {
    const std::string name = properties_.Text(1);
    try {
      item_json_.Key(name);
    } catch (const InvalidText& error) {
      FailText(error, "property", name);
    }
    const std::string type = properties_.Text(2);
    if (type == kText) {
      Text(item_json_, properties_.Text(3), "property", name);
      continue;
    }
    item_json_.BeginObject();
    item_json_.Key("type");
    Text(item_json_, type, "property", name);
    item_json_.Key("value");
    if (type == kInteger) {
      item_json_.Integer(properties_.Int(3));
    } else if (type == kBoolean) {
      item_json_.Boolean(properties_.Int(3) != 0);
    } else {
      Text(item_json_, DocumentTime(properties_.Text(3)), "property", name);
    }
    item_json_.EndObject();
  }
  item_json_.EndObject();
}

// Writes a string, or fails naming the store, the item or folder, and the
// member or property whose text a JSON document cannot hold.
void Exporter::Text(JsonWriter& json, std::string_view text, const char* kind, std::string_view name) {
  try {
    json.String(text);
  } catch (const InvalidText& error) {
    FailText(error, kind, name);
  }
}

void Exporter::FailText(const InvalidText& error, const char* kind, std::string_view name) const {
  const std::string owner = owner_kind_ == nullptr ? "" : owner_kind_ + (" " + Quote(owner_id_)) + ", ";
  throw std::runtime_error(db_.location() + ": " + owner + kind + " " + Quote(name) + ": " + error.what());
}

}  // namespace

void ExportStore(store::Database& db, std::ostream& out) {
  // The batches all read one snapshot, ended once the exporter's statements are.
  const store::Snapshot snapshot(db);
  Exporter(db, out).Run();
}

}  // namespace storetool
