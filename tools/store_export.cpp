#include "tools/store_export.h"

#include <cstdint>
#include <string>
#include <vector>

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
  void WriteFolders(std::optional<std::int64_t> parent);
  void WriteItems(std::int64_t folder);
  void WriteItem();
  void WriteTime(const char* member, int column);
  void WriteProperties(std::int64_t item);

  const store::Database& db_;
  JsonWriter json_;
  store::Statement items_;
  store::Statement properties_;
};

void Exporter::Run() {
  store::Statement header(db_, "SELECT store_id, outlook_version FROM store WHERE id = 1");
  const bool found = header.Step();
  json_.BeginObject();
  json_.Key("format");
  json_.Integer(1);
  json_.Key("store_id");
  json_.String(found ? header.Text(0) : "");
  json_.Key("outlook_version");
  json_.String(found ? header.Text(1) : "");
  WriteFolders(std::nullopt);
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

void Exporter::WriteFolders(std::optional<std::int64_t> parent) {
  json_.Key("folders");
  json_.BeginArray();
  for (const FolderRow& folder : Children(parent)) {
    json_.BeginObject();
    json_.Key("name");
    json_.String(folder.name);
    json_.Key("entry_id");
    json_.String(folder.entry_id);
    json_.Key("default_message_class");
    json_.String(folder.message_class);
    WriteItems(folder.id);
    WriteFolders(folder.id);
    json_.EndObject();
  }
  json_.EndArray();
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
  json_.BeginObject();
  for (int i = 0; i < 5; ++i) {
    json_.Key(kTexts[i]);
    json_.String(items_.Text(i + 1));
  }
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
    json_.String(DocumentTime(items_.Text(column)));
  }
}

void Exporter::WriteProperties(std::int64_t item) {
  json_.Key("properties");
  json_.BeginObject();
  properties_.Reset();
  properties_.Bind(1, item);
  while (properties_.Step()) {
    json_.Key(properties_.Text(0));
    const std::string type = properties_.Text(1);
    if (type == kText) {
      json_.String(properties_.Text(2));
      continue;
    }
    json_.BeginObject();
    json_.Key("type");
    json_.String(type);
    json_.Key("value");
    if (type == kInteger) {
      json_.Integer(properties_.Int(2));
    } else if (type == kBoolean) {
      json_.Boolean(properties_.Int(2) != 0);
    } else {
      json_.String(DocumentTime(properties_.Text(2)));
    }
    json_.EndObject();
  }
  json_.EndObject();
}

}  // namespace

void ExportStore(const store::Database& db, std::ostream& out) { Exporter(db, out).Run(); }

}  // namespace storetool
