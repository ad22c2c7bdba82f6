#include "host/store/item_rows.h"

#include <vector>

#include "host/store/dialect.h"
#include "host/store/property_values.h"

namespace store {

const ItemRow& ItemRows::Get(StoreSession& session, std::int64_t id) {
  Kept& kept = rows_[id];
  if (kept.row.id != id || !session.ItemAsRead(id, kept.group)) {
    kept.group = session.ReadGroup();
    kept.row = ItemById(session, id);
  }
  return kept.row;
}

std::shared_ptr<ItemRecord> ItemRows::Record(const std::shared_ptr<StoreSession>& session, std::int64_t id) {
  auto record = std::make_shared<ItemRecord>(session, Get(*session, id));
  if (!rows_.at(id).properties_read) ReadProperties(*session);
  const Kept& kept = rows_.at(id);
  if (kept.properties_group != 0) record->KeepStoredProperties(kept.properties, kept.properties_group);
  return record;
}

void ItemRows::Keep(ItemRow row, std::uint64_t group) {
  const std::int64_t id = row.id;
  rows_.insert_or_assign(id, Kept{std::move(row), group, false, {}, 0});
}

// An item with a property of a type the store does not know keeps none, so
// that its record reads them itself and fails naming it.
void ItemRows::ReadProperties(StoreSession& session) {
  const std::uint64_t group = session.ReadGroup();
  if (group == 0) return;
  std::string array = "[";
  for (auto& [id, kept] : rows_) {
    if (kept.properties_read) continue;
    if (array.size() > 1) array += ',';
    array += std::to_string(id);
    kept.properties_read = true;
    kept.properties.clear();
    kept.properties_group = group;
  }
  array += ']';
  auto statement = session.Prepare(std::string("SELECT item, name, type, value FROM properties WHERE item IN (") +
                                   session.Db().dialect().ids_of_json_array + ")");
  statement->Bind(1, array);
  std::vector<std::int64_t> unknown;
  while (statement->Step()) {
    Kept& kept = rows_.at(statement->Int(0));
    const auto type = FromStoreName(statement->TextView(2));
    if (!type) {
      unknown.push_back(kept.row.id);
      continue;
    }
    kept.properties.insert_or_assign(statement->Text(1), PropertyValue{*type, ReadStored(*statement, 3, *type)});
  }
  for (const std::int64_t id : unknown) rows_.at(id).properties_group = 0;
}

}  // namespace store
