#include "host/store/held_back_writes.h"

#include <algorithm>
#include <set>

#include "host/store/dialect.h"

namespace store {

JournaledValues ReadJournaledValues(StoreSession& session, const std::string& ids, const char* hold) {
  const Dialect& dialect = session.Db().dialect();
  const char* listed = dialect.in_json_ids;
  std::string holding = "SELECT id";
  for (const char* column : kJournaledColumns) holding.append(", ").append(column);
  JournaledValues read{session.Prepare(holding + " FROM items WHERE id" + listed + hold),
                       session.Prepare(std::string("SELECT item, name, type, value") + dialect.value_kind_column +
                                       " FROM properties WHERE item" + listed + " ORDER BY item, name")};
  read.columns->Bind(1, ids).ReadAhead();
  read.properties->Bind(1, ids).ReadAhead();
  return read;
}

void SentWrites::Count(StoreSession::Lease statement, std::size_t items) {
  statement->ReadAhead();
  counted_.emplace_back(std::move(statement), items);
}

void SentWrites::Confirm(StoreSession& session) {
  for (auto& [statement, items] : counted_) {
    std::size_t written = 0;
    while (statement->Step()) ++written;
    if (written < items) {
      session.Fail(kNotFound, std::to_string(items - written) + " of " + std::to_string(items) +
                                  " items written together no longer exist");
    }
  }
  session.Db().WaitForAhead();
}

std::string HeldBackWrites::Ids() const {
  std::vector<std::int64_t> ids;
  ids.reserve(items_.size());
  for (const HeldItem& item : items_) ids.push_back(item.row.id);
  return IdsAsJsonArray(ids);
}

HeldBackWrites::HeldItem& HeldBackWrites::ItemOf(const ItemRow& row) {
  const auto [at, added] = item_at_.emplace(row.id, items_.size());
  if (added) items_.push_back({row, {}, {}});
  return items_[at->second];
}

void HeldBackWrites::AddSave(const ItemRow& row, const ItemChanges& changes) {
  kind_ = Kind::kSave;
  HeldItem& item = ItemOf(row);
  item.writes.push_back(writes_.size());
  writes_.push_back({item_at_.at(row.id), changes});
  for (const auto& [column, value] : changes.columns) item.left.columns[column] = value;
  for (const auto& [name, property] : changes.properties) item.left.properties[name] = property;
}

void HeldBackWrites::AddDeletion(const ItemRow& row) {
  kind_ = Kind::kDeletion;
  ItemOf(row).writes.push_back(writes_.size());
  writes_.push_back({item_at_.at(row.id), {}});
}

void HeldBackWrites::Write(StoreSession& session, SentWrites& sent) {
  // Only the journal needs the items held and read first: a write that
  // finds an item gone fails by itself.
  if (session.journal().on()) session.journal().AddChanges(session, JournalEntries(HoldAndRead(session)));
  sent.AddWrites(writes_.size());
  if (kind_ == Kind::kSave) {
    WriteSaves(session, sent);
  } else {
    WriteDeletions(session, sent);
  }
  writes_.clear();
  items_.clear();
  item_at_.clear();
}

std::vector<Journal::Entry> HeldBackWrites::JournalEntries(HeldItems held) const {
  std::vector<Journal::Entry> entries;
  entries.reserve(writes_.size());
  for (std::size_t write = 0; write < writes_.size(); ++write) {
    const ItemRow* row = &items_[writes_[write].item].row;
    if (kind_ == Kind::kSave) {
      entries.push_back({row, kChanged, held.changes[write].Before(), held.changes[write].After()});
    } else {
      entries.push_back({row, kDeleted, std::move(*held.wholes[write]).Text(), "{}"});
    }
  }
  return entries;
}

HeldBackWrites::HeldItems HeldBackWrites::HoldAndRead(StoreSession& session) {
  auto [held, properties] = ReadJournaledValues(session, Ids(), session.Db().dialect().hold_item);
  HeldItems read;
  if (kind_ == Kind::kSave) {
    read.changes.reserve(writes_.size());
    for (const HeldWrite& write : writes_) {
      read.changes.emplace_back(session, items_[write.item].row);
      write.changes.JournalTo(read.changes.back());
    }
  } else {
    read.wholes.resize(writes_.size());
  }

  std::vector<bool> found(items_.size());
  while (held->Step()) {
    const std::size_t item = item_at_.at(held->Int(0));
    found[item] = true;
    for (const std::size_t write : items_[item].writes) {
      if (!read.changes.empty()) read.changes[write].KeepHeldColumns(*held, 1);
      if (!read.wholes.empty()) read.wholes[write].emplace(items_[item].row, *held, 1);
    }
  }
  if (const auto gone = std::find(found.begin(), found.end(), false); gone != found.end()) {
    session.Fail(kNotFound, "item \"" + items_[static_cast<std::size_t>(gone - found.begin())].row.entry_id +
                                "\" no longer exists");
  }
  while (properties->Step()) {
    const std::size_t item = item_at_.at(properties->Int(0));
    for (const std::size_t write : items_[item].writes) {
      if (!read.changes.empty()) read.changes[write].KeepHeldProperty(*properties, 1);
      if (!read.wholes.empty()) read.wholes[write]->AddProperty(*properties, 1);
    }
  }
  // A later save of an item starts from what the earlier ones left.
  for (std::size_t item = 0; item < items_.size() && !read.changes.empty(); ++item) {
    const std::vector<std::size_t>& writes = items_[item].writes;
    for (std::size_t later = 1; later < writes.size(); ++later) {
      for (std::size_t earlier = 0; earlier < later; ++earlier) {
        read.changes[writes[later]].FollowOn(read.changes[writes[earlier]]);
      }
    }
  }
  return read;
}

// A deleted item's properties go with it.
void HeldBackWrites::WriteDeletions(StoreSession& session, SentWrites& sent) const {
  auto remove = session.Prepare(std::string("DELETE FROM items WHERE id") + session.Db().dialect().in_json_ids +
                                " RETURNING id");
  remove->Bind(1, Ids());
  sent.Count(std::move(remove), items_.size());
}

// Writes the changed columns, a statement each, as ItemRecord::Store does
// for one item; then the items' properties in one statement that updates
// those they have and adds, with the item's folder, those they lack, so
// nothing need be read first (a property added to an item gone fails as a
// foreign key).
void HeldBackWrites::WriteSaves(StoreSession& session, SentWrites& sent) const {
  std::size_t rows = 0;
  std::set<ItemColumn> columns;
  for (const HeldItem& item : items_) {
    rows += item.left.properties.size();
    for (const auto& [column, value] : item.left.columns) columns.insert(column);
  }
  const std::string items = Ids();
  for (const ItemColumn column : columns) {
    std::vector<std::pair<std::int64_t, const host::Value*>> values;
    for (const HeldItem& item : items_) {
      if (const auto value = item.left.columns.find(column); value != item.left.columns.end()) {
        values.emplace_back(item.row.id, &value->second);
      }
    }
    auto update = session.Prepare(ItemColumnUpdateSql(session.Db().dialect(), ColumnName(column), values.size()) +
                                  " RETURNING items.id");
    update->Bind(1, items);
    for (std::size_t row = 0; row < values.size(); ++row) {
      const int at = 2 + 2 * static_cast<int>(row);
      update->Bind(at, values[row].first);
      BindColumnValue(*update, at + 1, *values[row].second);
    }
    sent.Count(std::move(update), values.size());
  }
  if (rows > 0) {
    auto upsert = session.Prepare(PropertiesUpsertSql(rows));
    int at = 1;
    for (const HeldItem& item : items_) {
      for (const auto& [name, property] : item.left.properties) {
        BindPropertyRow(*upsert, at, item.row, name, property);
        at += 5;
      }
    }
    upsert->RunAhead();
  }
}

}  // namespace store
