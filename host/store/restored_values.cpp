#include "host/store/restored_values.h"

#include <algorithm>
#include <iterator>
#include <set>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/store/held_back_writes.h"
#include "host/store/item_record.h"
#include "host/store/journal.h"
#include "host/store/store_session.h"

namespace store {
namespace {

using nlohmann::json;

// A before-image names only the journaled columns; anything else in it is
// left alone rather than written into SQL.
bool IsItemColumn(const std::string& name) {
  return std::any_of(std::begin(kJournaledColumns), std::end(kJournaledColumns),
                     [&](const char* column) { return name == column; });
}

}  // namespace

void BindJournaledProperty(Statement& statement, int first, const ItemRow& item, const std::string& name,
                           const json& property) {
  statement.Bind(first, item.id).Bind(first + 1, item.folder).Bind(first + 2, name);
  statement.Bind(first + 3, property.at(0).get<std::string>());
  BindStored(statement, first + 4, property.at(1));
}

void RestoredValues::Add(const ItemRow& item, const json& before) {
  static const json kNone = json::object();
  const auto part = [&](const char* name) {
    const auto found = before.find(name);
    return found != before.end() && found->is_object() ? &*found : &kNone;
  };
  const json* columns = part("columns");
  const json* properties = part("properties");
  if (columns->empty() && properties->empty()) return;
  items_.push_back({item, columns, properties});
  ids_.insert(item.id);
}

void RestoredValues::Write(StoreSession& session) {
  if (items_.empty()) return;
  if (session.journal().on()) JournalChanges(session);
  constexpr std::size_t kPerStatement = HeldBackWrites::kItemsPerStatement;
  for (std::size_t first = 0; first < items_.size(); first += kPerStatement) {
    const std::size_t count = std::min(kPerStatement, items_.size() - first);
    WriteColumns(session, first, count);
    WriteProperties(session, first, count);
  }
  items_.clear();
  ids_.clear();
}

// What the items hold now, read as ItemChange reads one held item's, in a
// statement for their columns and one for their properties.
void RestoredValues::JournalChanges(StoreSession& session) const {
  std::vector<ItemChange> changes;
  changes.reserve(items_.size());
  std::unordered_map<std::int64_t, std::size_t> change_of;
  for (const Item& item : items_) {
    change_of.emplace(item.row.id, changes.size());
    ItemChange& change = changes.emplace_back(session, item.row);
    for (const auto& [name, value] : item.columns->items()) {
      if (IsItemColumn(name)) change.Column(name.c_str(), value.dump());
    }
    for (const auto& [name, value] : item.properties->items()) change.Property(name, value.dump());
  }
  std::vector<std::int64_t> ids;
  ids.reserve(items_.size());
  for (const Item& item : items_) ids.push_back(item.row.id);
  auto [held, properties] = ReadJournaledValues(session, IdsAsJsonArray(ids), "");
  while (held->Step()) changes[change_of.at(held->Int(0))].KeepHeldColumns(*held, 1);
  while (properties->Step()) changes[change_of.at(properties->Int(0))].KeepHeldProperty(*properties, 1);

  std::vector<Journal::Entry> entries;
  entries.reserve(items_.size());
  for (std::size_t item = 0; item < items_.size(); ++item) {
    entries.push_back({&items_[item].row, kChanged, changes[item].Before(), changes[item].After()});
  }
  session.journal().AddChanges(session, entries);
}

// Each column in one statement for the items whose before-image names it.
void RestoredValues::WriteColumns(StoreSession& session, std::size_t first, std::size_t count) const {
  const auto slice = std::span(items_).subspan(first, count);
  std::set<std::string> names;
  for (const Item& item : slice) {
    for (const auto& [name, value] : item.columns->items()) {
      if (IsItemColumn(name)) names.insert(name);
    }
  }
  for (const std::string& name : names) {
    std::vector<std::pair<std::int64_t, const json*>> values;
    std::vector<std::int64_t> ids;
    for (const Item& item : slice) {
      if (const auto value = item.columns->find(name); value != item.columns->end()) {
        values.emplace_back(item.row.id, &*value);
        ids.push_back(item.row.id);
      }
    }
    auto update = session.Prepare(ItemColumnUpdateSql(session.Db().dialect(), name, values.size()));
    update->Bind(1, IdsAsJsonArray(ids));
    for (std::size_t row = 0; row < values.size(); ++row) {
      const int at = 2 + 2 * static_cast<int>(row);
      update->Bind(at, values[row].first);
      BindStored(*update, at + 1, *values[row].second);
    }
    update->RunAhead();
  }
}

// The properties the before-images hold in one statement that updates or
// adds each, and those they lack removed one by one: few ever are.
void RestoredValues::WriteProperties(StoreSession& session, std::size_t first, std::size_t count) const {
  const auto slice = std::span(items_).subspan(first, count);
  std::size_t rows = 0;
  for (const Item& item : slice) {
    for (const auto& [name, value] : item.properties->items()) {
      if (value.is_null()) {
        session.Prepare("DELETE FROM properties WHERE item = ? AND name = ?")
            ->Bind(1, item.row.id)
            .Bind(2, name)
            .RunAhead();
      } else {
        ++rows;
      }
    }
  }
  if (rows == 0) return;
  auto upsert = session.Prepare(PropertiesUpsertSql(rows));
  int at = 1;
  for (const Item& item : slice) {
    for (const auto& [name, value] : item.properties->items()) {
      if (value.is_null()) continue;
      BindJournaledProperty(*upsert, at, item.row, name, value);
      at += 5;
    }
  }
  upsert->RunAhead();
}

}  // namespace store
