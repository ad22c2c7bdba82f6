#include "host/store/item_rows.h"

#include <vector>

#include "host/store/dialect.h"
#include "host/store/property_values.h"

namespace store {

const ItemRow& ItemRows::Get(StoreSession& session, std::int64_t id) {
  const auto found = rows_.find(id);
  if (found != rows_.end() && session.ItemAsRead(id, found->second.group)) return found->second.row;
  const std::uint64_t group = session.ReadGroup();
  Keep(ItemById(session, id), group);
  return rows_.at(id).row;
}

namespace {

// Reads the stored properties of every item of `together` whose were not
// read yet. An item with a property of a type the store does not know
// keeps none, so that its record reads them itself and fails naming it.
void ReadProperties(StoreSession& session, PropertiesRead& together) {
  const std::uint64_t group = session.ReadGroup();
  if (group == 0) return;
  std::vector<std::int64_t> unread;
  for (auto& [id, item] : together.items) {
    if (item.read) continue;
    unread.push_back(id);
    item = {true, group, {}};
  }
  auto statement =
      session.Prepare(std::string("SELECT item, name, type, value FROM properties WHERE item") +
                      session.Db().dialect().in_json_ids);
  // Every row is kept: they may come at once.
  statement->Bind(1, IdsAsJsonArray(unread)).ReadAhead();
  std::vector<std::int64_t> unknown;
  while (statement->Step()) {
    const std::int64_t id = statement->Int(0);
    const auto type = FromStoreName(statement->TextView(2));
    if (!type) {
      unknown.push_back(id);
      continue;
    }
    together.items.at(id).properties.insert_or_assign(statement->Text(1),
                                                       PropertyValue{*type, ReadStored(*statement, 3, *type)});
  }
  for (const std::int64_t id : unknown) together.items.at(id).group = 0;
}

}  // namespace

std::shared_ptr<ItemRecord> ItemRows::Record(const std::shared_ptr<StoreSession>& session, std::int64_t id) {
  auto record = std::make_shared<ItemRecord>(session, Get(*session, id));
  PropertiesRead& together = *rows_.at(id).properties;
  if (!together.items.at(id).read) ReadProperties(*session, together);
  const PropertiesRead::Item& item = together.items.at(id);
  if (item.group != 0) record->KeepStoredProperties(item.properties, item.group);
  return record;
}

// A row kept anew in this collection is read anew; one kept together with
// others keeps what was read of it, which its record checks is as read.
void ItemRows::Keep(ItemRow row, std::uint64_t group, const std::shared_ptr<PropertiesRead>& together) {
  const std::int64_t id = row.id;
  if (together) {
    together->items.try_emplace(id);
  } else {
    own_->items.insert_or_assign(id, PropertiesRead::Item{});
  }
  rows_.insert_or_assign(id, Kept{std::move(row), group, together ? together : own_});
}

}  // namespace store
