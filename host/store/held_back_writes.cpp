#include "host/store/held_back_writes.h"

#include <algorithm>
#include <optional>
#include <set>
#include <span>

#include "host/store/dialect.h"

namespace store {
namespace {

// Items whose writes one statement makes: their rows stay well within both
// engines' limits on parameters, and the planner looks each up by the index
// rather than reading a whole table for them.
constexpr std::size_t kItemsPerStatement = 100;

// Sends each statement ahead once the next is given, and the last with a
// wait: a failure of any of them surfaces by Finish.
class StatementStream {
 public:
  void Send(StoreSession::Lease statement) {
    if (pending_) (*pending_)->RunAhead();
    pending_.emplace(std::move(statement));
  }
  void Finish() {
    if (pending_) (*pending_)->Run();
    pending_.reset();
  }

 private:
  std::optional<StoreSession::Lease> pending_;
};

// " IN (...)": the ids of the JSON array bound as ?1.
std::string InIds(const Dialect& dialect) { return std::string(" IN (") + dialect.ids_of_json_array + ")"; }

}  // namespace

std::string HeldBackWrites::IdsOf(std::size_t first, std::size_t count) const {
  std::vector<std::int64_t> ids;
  ids.reserve(count);
  for (const HeldItem& item : std::span(items_).subspan(first, count)) ids.push_back(item.row.id);
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

void HeldBackWrites::Write(StoreSession& session) {
  HeldItems held = HoldAndRead(session);
  if (session.journal().on()) session.journal().AddChanges(session, JournalEntries(held));
  StatementStream stream;
  const auto send = [&](StoreSession::Lease statement) { stream.Send(std::move(statement)); };
  for (std::size_t first = 0; first < items_.size(); first += kItemsPerStatement) {
    const std::size_t count = std::min(kItemsPerStatement, items_.size() - first);
    if (kind_ == Kind::kSave) {
      WriteSaves(session, first, count, held.lacking, send);
    } else {
      WriteDeletions(session, first, count, send);
    }
  }
  stream.Finish();
  writes_.clear();
  items_.clear();
  item_at_.clear();
}

std::vector<Journal::Entry> HeldBackWrites::JournalEntries(HeldItems& held) const {
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

// The hold and the read of the items' values before the writes are one
// statement each for all of them; the properties are read in a statement of
// their own, once the hold is granted, as ItemChange reads one item's.
HeldBackWrites::HeldItems HeldBackWrites::HoldAndRead(StoreSession& session) {
  const Dialect& dialect = session.Db().dialect();
  const std::string items = IdsOf(0, items_.size());
  const std::string listed = InIds(dialect);

  std::string holding = "SELECT id";
  for (const char* column : kJournaledColumns) holding.append(", ").append(column);
  auto held = session.Prepare(holding + " FROM items WHERE id" + listed + dialect.hold_item);
  held->Bind(1, items).ReadAhead();
  HeldItems read;
  // Unread, every item may lack what its saves change.
  read.lacking.assign(items_.size(), true);
  const bool journaled = session.journal().on();
  std::optional<StoreSession::Lease> properties;
  // Saves need them to add only the properties that are missing, a
  // deletion's journal to keep the whole item; by name, as an item's own
  // read of them goes by its index.
  if (journaled || kind_ == Kind::kSave) {
    properties.emplace(session.Prepare(std::string("SELECT item, name, type, value") + dialect.value_kind_column +
                                       " FROM properties WHERE item" + listed + " ORDER BY item, name"));
    (*properties)->Bind(1, items).ReadAhead();
  }
  if (journaled) {
    if (kind_ == Kind::kSave) {
      read.changes.reserve(writes_.size());
      for (const HeldWrite& write : writes_) {
        read.changes.emplace_back(session, items_[write.item].row);
        write.changes.JournalTo(read.changes.back());
      }
    } else {
      read.wholes.resize(writes_.size());
    }
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
  if (!properties) return read;
  std::vector<std::size_t> had(items_.size());
  while ((*properties)->Step()) {
    const std::size_t item = item_at_.at((*properties)->Int(0));
    had[item] += items_[item].left.properties.contains(std::string((*properties)->TextView(1)));
    for (const std::size_t write : items_[item].writes) {
      if (!read.changes.empty()) read.changes[write].KeepHeldProperty(**properties, 1);
      if (!read.wholes.empty()) read.wholes[write]->AddProperty(**properties, 1);
    }
  }
  for (std::size_t item = 0; item < items_.size(); ++item) {
    read.lacking[item] = had[item] < items_[item].left.properties.size();
    // A later save of the item starts from what the earlier ones left.
    const std::vector<std::size_t>& writes = items_[item].writes;
    for (std::size_t later = 1; later < writes.size() && !read.changes.empty(); ++later) {
      for (std::size_t earlier = 0; earlier < later; ++earlier) {
        read.changes[writes[later]].FollowOn(read.changes[writes[earlier]]);
      }
    }
  }
  return read;
}

// A deleted item's properties go with it.
template <class Send>
void HeldBackWrites::WriteDeletions(StoreSession& session, std::size_t first, std::size_t count,
                                    Send&& send) const {
  auto remove = session.Prepare("DELETE FROM items WHERE id" + InIds(session.Db().dialect()));
  remove->Bind(1, IdsOf(first, count));
  send(std::move(remove));
}

// Updates the properties the items have and adds those they lack, each
// with its item's folder, and writes the changed columns, as
// ItemRecord::Store does for one item. Each statement names its items (?1)
// besides joining them, so that the planner reads only theirs.
template <class Send>
void HeldBackWrites::WriteSaves(StoreSession& session, std::size_t first, std::size_t count,
                                const std::vector<bool>& lacking, Send&& send) const {
  const Dialect& dialect = session.Db().dialect();
  const auto slice = std::span(items_).subspan(first, count);
  std::size_t rows = 0;
  std::set<ItemColumn> columns;
  for (const HeldItem& item : slice) {
    rows += item.left.properties.size();
    for (const auto& [column, value] : item.left.columns) columns.insert(column);
  }
  const std::string items = IdsOf(first, count);
  const std::string listed = InIds(dialect);

  if (rows > 0) {
    const std::string changed = ChangedRows(rows, 4, 2, dialect.value_parameter_type);
    const auto bind = [&](Statement& statement) {
      statement.Bind(1, items);
      int at = 2;
      for (const HeldItem& item : slice) {
        for (const auto& [name, property] : item.left.properties) {
          statement.Bind(at, item.row.id).BindUnowned(at + 1, name).Bind(at + 2, StoreName(property.type));
          statement.BindValue(at + 3, property.value);
          at += 4;
        }
      }
    };
    auto update = session.Prepare("UPDATE properties SET type = changed.column3, value = changed.column4 FROM " +
                                  changed + " WHERE properties.item" + listed +
                                  " AND properties.item = changed.column1 AND properties.name = changed.column2");
    bind(*update);
    send(std::move(update));
    if (std::any_of(lacking.begin() + static_cast<std::ptrdiff_t>(first),
                    lacking.begin() + static_cast<std::ptrdiff_t>(first + count), [](bool each) { return each; })) {
      auto insert = session.Prepare(
          "INSERT INTO properties (item, folder, name, type, value) "
          "SELECT items.id, items.folder, changed.column2, changed.column3, changed.column4 FROM " + changed +
          " JOIN items ON items.id = changed.column1 WHERE items.id" + listed +
          " AND NOT EXISTS (SELECT 1 FROM properties WHERE properties.item = changed.column1 AND "
          "properties.name = changed.column2)");
      bind(*insert);
      send(std::move(insert));
    }
  }
  for (const ItemColumn column : columns) {
    std::vector<std::pair<std::int64_t, const host::Value*>> values;
    for (const HeldItem& item : slice) {
      if (const auto value = item.left.columns.find(column); value != item.left.columns.end()) {
        values.emplace_back(item.row.id, &value->second);
      }
    }
    auto update = session.Prepare(std::string("UPDATE items SET ") + ColumnName(column) + " = changed.column2 FROM " +
                                  ChangedRows(values.size(), 2, 2, "") + " WHERE items.id" + listed +
                                  " AND items.id = changed.column1");
    update->Bind(1, items);
    for (std::size_t row = 0; row < values.size(); ++row) {
      const int at = 2 + 2 * static_cast<int>(row);
      update->Bind(at, values[row].first);
      BindColumnValue(*update, at + 1, *values[row].second);
    }
    send(std::move(update));
  }
}

}  // namespace store
