#include "host/store/item_record.h"

#include <vector>

#include "host/store/dialect.h"
#include "host/store/held_back_writes.h"
#include "host/store/journal.h"

namespace store {
namespace {

struct ColumnInfo {
  const char* name;
  PropertyType type;
};

ColumnInfo Info(ItemColumn column) {
  switch (column) {
    case ItemColumn::kSubject: return {"subject", PropertyType::kText};
    case ItemColumn::kBody: return {"body", PropertyType::kText};
    case ItemColumn::kCompanyName: return {"company_name", PropertyType::kText};
    case ItemColumn::kTimeSent: return {"time_sent", PropertyType::kTime};
    case ItemColumn::kTimeReceived: return {"time_received", PropertyType::kTime};
    case ItemColumn::kSent: return {"sent", PropertyType::kBoolean};
    case ItemColumn::kUnread: return {"unread", PropertyType::kBoolean};
    case ItemColumn::kSubmitted: return {"submitted", PropertyType::kBoolean};
  }
  return {"subject", PropertyType::kText};
}

// The JSON text of a value as the journal shows what it became; null for
// none.
std::string JournalValue(const host::Value& value) {
  if (const auto* number = std::get_if<std::int32_t>(&value)) return std::to_string(*number);
  if (const auto* flag = std::get_if<bool>(&value)) return *flag ? "1" : "0";
  if (std::holds_alternative<host::Null>(value) || std::holds_alternative<host::Empty>(value)) return "null";
  std::string json;
  AppendJournalText(json, host::ToText(value));
  return json;
}

}  // namespace

const char* ColumnName(ItemColumn column) { return Info(column).name; }

void BindColumnValue(Statement& statement, int index, const host::Value& value) {
  if (std::holds_alternative<host::Null>(value) || std::holds_alternative<host::Empty>(value)) {
    statement.BindNull(index);
  } else {
    statement.BindValue(index, value);
  }
}

ItemRecord::ItemRecord(std::shared_ptr<StoreSession> session, ItemRow row)
    : session_(std::move(session)), row_(std::move(row)) {}

ItemRecord::ItemRecord(std::shared_ptr<StoreSession> session, const FolderRow& folder,
                       std::string message_class)
    : session_(std::move(session)), row_{0, "", folder.id, std::move(message_class)} {}

std::optional<PropertyValue> ItemRecord::Property(const std::string& name) {
  if (auto changed = changes_.properties.find(name); changed != changes_.properties.end()) {
    return changed->second;
  }
  if (!stored()) return std::nullopt;
  if (!session_->ItemAsRead(row_.id, read_group_)) {
    const std::uint64_t group = session_->ReadGroup();
    if (group == 0) return ReadProperty(name);
    stored_properties_ = ReadProperties();
    read_group_ = group;
  }
  const auto found = stored_properties_.find(name);
  if (found == stored_properties_.end()) return std::nullopt;
  return found->second;
}

std::map<std::string, PropertyValue> ItemRecord::Properties() {
  std::map<std::string, PropertyValue> properties;
  if (stored()) properties = ReadProperties();
  for (const auto& [name, property] : changes_.properties) properties[name] = property;
  return properties;
}

PropertyValue ItemRecord::ReadPropertyValue(const Statement& statement, int column, const std::string& name) {
  const std::string type_name = statement.Text(column);
  const auto type = FromStoreName(type_name);
  if (!type) {
    session_->Fail(kStoreError, "item \"" + row_.entry_id + "\", property \"" + name + "\": unknown type \"" +
                                    type_name + "\"");
  }
  return PropertyValue{*type, ReadStored(statement, column + 1, *type)};
}

std::optional<PropertyValue> ItemRecord::ReadProperty(const std::string& name) {
  auto statement = session_->Prepare("SELECT type, value FROM properties WHERE item = ? AND name = ?");
  if (!statement->Bind(1, row_.id).Bind(2, name).Step()) return std::nullopt;
  return ReadPropertyValue(*statement, 0, name);
}

std::map<std::string, PropertyValue> ItemRecord::ReadProperties() {
  auto statement = session_->Prepare("SELECT name, type, value FROM properties WHERE item = ?");
  statement->Bind(1, row_.id);
  std::map<std::string, PropertyValue> properties;
  while (statement->Step()) {
    std::string name = statement->Text(0);
    PropertyValue value = ReadPropertyValue(*statement, 1, name);
    properties.emplace_hint(properties.end(), std::move(name), std::move(value));
  }
  return properties;
}

host::Value ItemRecord::PropertyOrEmpty(const std::string& name) {
  auto property = Property(name);
  return property ? property->value : host::Value(host::Empty{});
}

void ItemRecord::SetProperty(const std::string& name, PropertyType type, host::Value value) {
  changes_.properties[name] = PropertyValue{type, std::move(value)};
}

void ItemRecord::SetPropertyValue(const std::string& name, const host::Value& value) {
  auto property = Property(name);
  const PropertyType type = property ? property->type : PropertyType::kText;
  SetProperty(name, type, Convert(value, type));
}

host::Value ItemRecord::Column(ItemColumn column) {
  if (auto changed = changes_.columns.find(column); changed != changes_.columns.end()) {
    return changed->second;
  }
  if (!stored()) return host::Null{};
  const ColumnInfo info = Info(column);
  auto statement = session_->Prepare(std::string("SELECT ") + info.name + " FROM items WHERE id = ?");
  if (!statement->Bind(1, row_.id).Step()) {
    session_->Fail(kNotFound, "item \"" + row_.entry_id + "\" no longer exists");
  }
  if (statement->IsNull(0)) return host::Null{};
  return ReadStored(*statement, 0, info.type);
}

void ItemRecord::SetColumn(ItemColumn column, const host::Value& value) {
  changes_.columns[column] = Convert(value, Info(column).type);
}

void ItemRecord::Store() {
  if (stored() && changes_.empty()) return;
  if (HeldBackWrites* writes = stored() ? session_->HoldBack(row_, HeldWriteKind::kSave) : nullptr) {
    writes->AddSave(row_, changes_);
    changes_ = {};
    return;
  }
  ItemRow row = row_;
  session_->WriteItem({row_.id, row_.folder}, "save item \"" + row_.entry_id + "\"", [&] {
    if (!stored()) row = InsertItemRow(*session_, row_.folder, row_.message_class);
    ItemChange change(*session_, row);
    changes_.JournalTo(change);
    if (!change.HoldAndAdd()) session_->Fail(kNotFound, "item \"" + row_.entry_id + "\" no longer exists");
    StoreColumns(row.id);
    StoreProperties(row);
  });
  row_ = std::move(row);
  changes_ = {};
}

void ItemChanges::JournalTo(ItemChange& change) const {
  for (const auto& [column, value] : columns) change.Column(ColumnName(column), JournalValue(value));
  for (const auto& [name, property] : properties) {
    // An empty value is stored as empty text.
    const std::string after = JournalValue(property.value);
    change.Property(name, "[\"" + std::string(StoreName(property.type)) + "\"," + (after == "null" ? "\"\"" : after) + ']');
  }
}

void ItemRecord::StoreColumns(std::int64_t id) {
  for (const auto& [column, value] : changes_.columns) {
    auto statement =
        session_->Prepare(std::string("UPDATE items SET ") + ColumnName(column) + " = ? WHERE id = ?");
    BindColumnValue(*statement, 1, value);
    statement->Bind(2, id).RunAhead();
  }
}

std::string PropertiesUpsertSql(std::size_t rows) {
  return "INSERT INTO properties (item, folder, name, type, value) " + ValuesRows(rows, 5) +
         " ON CONFLICT (item, name) DO UPDATE SET type = excluded.type, value = excluded.value";
}

void BindPropertyRow(Statement& statement, int first, const ItemRow& item, const std::string& name,
                     const PropertyValue& property) {
  statement.Bind(first, item.id).Bind(first + 1, item.folder).BindUnowned(first + 2, name);
  statement.Bind(first + 3, StoreName(property.type)).BindValue(first + 4, property.value);
}

// Runs ahead: on a server the save's writes cost one round trip, not one
// each.
void ItemRecord::StoreProperties(const ItemRow& row) {
  if (changes_.properties.empty()) return;
  auto upsert = session_->Prepare(PropertiesUpsertSql(changes_.properties.size()));
  int first = 1;
  for (const auto& [name, property] : changes_.properties) {
    BindPropertyRow(*upsert, first, row, name, property);
    first += 5;
  }
  upsert->RunAhead();
}

void ItemRecord::Delete() {
  if (!stored()) session_->Fail(kNotFound, "a new item that was never stored cannot be deleted");
  DeleteItem(*session_, row_);
  changes_ = {};
}

}  // namespace store
