#include "tools/store_rows.h"

#include "host/store/dialect.h"
#include "host/value.h"

namespace storetool {
namespace {

void BindOptional(store::Statement& statement, int index, const std::optional<std::string>& text) {
  if (text) {
    statement.Bind(index, *text);
  } else {
    statement.BindNull(index);
  }
}

}  // namespace

bool IsUpperHex(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
  }
  return true;
}

std::optional<std::string> StoredTime(std::string_view text) {
  host::LocalTime time;
  if (!host::ParseLocalTime(std::string(text), time)) return std::nullopt;
  return host::ToText(time);
}

std::string DocumentTime(std::string_view stored) {
  std::string text(stored);
  if (text.size() > 10 && text[10] == ' ') text[10] = 'T';
  return text;
}

BulkLoad::BulkLoad(store::Database& db) : db_(db) {
  db_.Exec("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; PRAGMA cache_size = -8192; PRAGMA threads = 2; PRAGMA ignore_check_constraints = ON");
  std::vector<std::string> names;
  store::Statement select(db_, "SELECT name, sql FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL");
  while (select.Step()) {
    names.push_back(select.Text(0));
    index_sql_.push_back(select.Text(1));
  }
  for (const std::string& name : names) db_.Exec(("DROP INDEX \"" + name + "\"").c_str());
}

void BulkLoad::Finish() {
  for (const std::string& sql : index_sql_) db_.Exec(sql.c_str());
  db_.Exec("PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL; PRAGMA ignore_check_constraints = OFF");
}

StoreWriter::StoreWriter(store::Database& db)
    : db_(db),
      add_folder_(db, "INSERT INTO folders (parent, entry_id, name, default_message_class) "
                      "VALUES (?, ?, ?, ?) RETURNING id"),
      update_folder_(db, "UPDATE folders SET entry_id = ?, name = ?, default_message_class = ? "
                         "WHERE id = ?"),
      add_item_(db, "INSERT INTO items (id, folder, entry_id, message_class, subject, body, company_name, "
                    "time_sent, time_received, sent, unread, submitted) "
                    "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
      add_property_(db, "INSERT INTO properties (item, folder, name, type, value) VALUES (?, ?, ?, ?, ?)"),
      set_class_(db, "UPDATE items SET message_class = ? WHERE id = ?"),
      find_id_(db, "SELECT EXISTS (SELECT 1 FROM folders WHERE entry_id = ?1) "
                   "OR EXISTS (SELECT 1 FROM items WHERE entry_id = ?1)") {
  store::Statement used(db, "SELECT entry_id FROM folders UNION ALL SELECT entry_id FROM items");
  while (used.Step()) used_.Add(used.TextView(0));
  store::Statement last(db, "SELECT COALESCE(max(id), 0) FROM items");
  next_item_ = last.Step() ? last.Int(0) + 1 : 1;
}

void StoreWriter::SetStore(std::string_view store_id, std::string_view outlook_version) {
  store::Statement(db_, "UPDATE store SET store_id = ?, outlook_version = ? WHERE id = 1")
      .Bind(1, store_id)
      .Bind(2, outlook_version)
      .Run();
}

std::int64_t StoreWriter::AddFolder(std::optional<std::int64_t> parent, std::string_view entry_id,
                                    std::string_view name, std::string_view default_message_class) {
  add_folder_.Reset();
  if (parent) {
    add_folder_.Bind(1, *parent);
  } else {
    add_folder_.BindNull(1);
  }
  const std::int64_t id = add_folder_.Bind(2, entry_id).Bind(3, name).Bind(4, default_message_class).Insert();
  used_.Add(entry_id);
  return id;
}

void StoreWriter::UpdateFolder(std::int64_t id, std::string_view entry_id, std::string_view name,
                               std::string_view default_message_class) {
  update_folder_.Reset();
  update_folder_.Bind(1, entry_id).Bind(2, name).Bind(3, default_message_class).Bind(4, id).RunAhead();
  used_.Add(entry_id);
}

std::int64_t StoreWriter::AddItem(std::int64_t folder, const ItemRow& item) {
  const std::int64_t id = next_item_;
  add_item_.Reset();
  add_item_.Bind(1, id).Bind(2, folder).Bind(3, item.entry_id).Bind(4, item.message_class).Bind(5, item.subject);
  add_item_.Bind(6, item.body).Bind(7, item.company_name);
  BindOptional(add_item_, 8, item.time_sent);
  BindOptional(add_item_, 9, item.time_received);
  add_item_.Bind(10, std::int64_t{item.sent}).Bind(11, std::int64_t{item.unread});
  add_item_.Bind(12, std::int64_t{item.submitted}).RunAhead();
  ++next_item_;
  used_.Add(item.entry_id);
  for (const PropertyRow& property : item.properties) {
    add_property_.Reset();
    add_property_.Bind(1, id).Bind(2, folder).Bind(3, property.name).Bind(4, property.type);
    if (property.type == kText || property.type == kTime) {
      add_property_.Bind(5, property.text);
    } else {
      add_property_.Bind(5, property.number);
    }
    add_property_.RunAhead();
  }
  return id;
}

void StoreWriter::SetMessageClass(std::int64_t item, std::string_view message_class) {
  set_class_.Reset();
  set_class_.Bind(1, message_class).Bind(2, item).RunAhead();
}

bool StoreWriter::IsEntryIdUsed(std::string_view entry_id) {
  if (!used_.MaybeHas(entry_id)) return false;
  find_id_.Reset();
  find_id_.Bind(1, entry_id);
  return find_id_.Step() && find_id_.Int(0) != 0;
}

void StoreWriter::Finish() { FollowCopiedIds(db_); }

void FollowCopiedIds(store::Database& db) {
  if (*db.dialect().follow_copied_ids != '\0') db.Exec(db.dialect().follow_copied_ids);
}

}  // namespace storetool
