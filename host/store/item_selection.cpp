#include "host/store/item_selection.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

#include "host/store/dialect.h"

namespace store {
namespace {

// `sql` holds the filter's query, whose parameters it keeps; `folders` is
// its parameter 1, a folder's id or a JSON array of them.
template <typename Folders>
StoreSession::Lease RunFilter(StoreSession& session, std::string_view sql, const Folders& folders,
                              const Filter::Query& query) {
  StoreSession::Lease statement(session, sql);
  statement->Bind(1, folders);
  for (std::size_t i = 0; i < query.params.size(); ++i) {
    statement->BindValue(static_cast<int>(i) + 2, query.params[i]);
  }
  return statement;
}

std::string RanksByValueSql(const Dialect& dialect) {
  return std::string("SELECT item, ") + dialect.value_type + ", value FROM properties WHERE item" +
         dialect.in_json_ids + " AND " + dialect.name_not_indexed + " = ?2 ORDER BY " + dialect.value_order;
}

// Rank of each item that has the property: equal values share a rank, and
// ranks grow with the value. The name, not indexed, keeps the engine from
// scanning every value of the name in the store: each member is looked up
// by its own key, so a sort costs the collection's size.
std::unordered_map<std::int64_t, int> RanksByValue(StoreSession& session,
                                                   const std::vector<std::int64_t>& ids,
                                                   const std::string& property) {
  auto statement = session.Prepare(RanksByValueSql(session.Db().dialect()));
  statement->Bind(1, IdsAsJsonArray(ids)).Bind(2, property);
  std::unordered_map<std::int64_t, int> ranks;
  std::pair<std::string, std::string> last;
  int rank = -1;
  while (statement->Step()) {
    std::pair<std::string, std::string> value{statement->Text(1), statement->Text(2)};
    if (rank < 0 || value != last) ++rank;
    last = std::move(value);
    ranks[statement->Int(0)] = rank;
  }
  return ranks;
}

// The rows of the items that `query` selects.
std::string MatchingRowsSql(const Filter::Query& query) {
  return std::string(kItemColumns) + "WHERE id IN (" + query.sql + ") ORDER BY id";
}

// The filter's statement and values, told apart by their kinds.
std::string MatchesKey(const Filter::Query& query) {
  std::string key = query.sql;
  for (const host::Value& value : query.params) {
    key += '\x1f';
    key += std::to_string(value.index());
    key += ':';
    key += host::ToText(value);
  }
  return key;
}

// The ids of the tree's folders below its top. Given as a list, they spare
// the engine a second descent of the tree, and it looks each folder's
// matches up by the key index whatever it guesses of their number.
std::string FolderIdsBelow(const FolderTree& tree) {
  std::vector<std::int64_t> ids;
  for (const auto& [parent, folders] : tree.by_parent) {
    for (const FolderRow& folder : folders) {
      if (folder.id != tree.top) ids.push_back(folder.id);
    }
  }
  return IdsAsJsonArray(ids);
}

// What the filter matches in the folder's siblings, read with the first ask
// of any of them within a run, or in every folder below theirs once those
// were read; null where the folder was found alone, reads are kept for no
// time, or an item of the folder was written since (the folder is then read
// alone).
const FolderMatches* KeptMatches(StoreSession& session, const FolderRow& folder, const Filter& filter,
                                 const Filter::Query& query, std::uint64_t group) {
  if (group == 0 || !folder.siblings) return nullptr;
  const std::shared_ptr<FolderTree>& tree = folder.siblings->below;
  MatchesByFilter& kept = tree ? tree->matches : folder.siblings->matches;
  auto [entry, added] = kept.try_emplace(MatchesKey(query));
  FolderMatches& matches = entry->second;
  if (!added) return session.FolderAsRead(folder.id, matches.group) ? &matches : nullptr;
  const Dialect& dialect = session.Db().dialect();
  const Filter::Query all = tree ? filter.CompileForFolders(dialect) : filter.CompileForSubfolders(dialect);
  auto statement = tree ? RunFilter(session, MatchingRowsSql(all), FolderIdsBelow(*tree), all)
                        : RunFilter(session, MatchingRowsSql(all), folder.siblings->parent, all);
  // Every row is kept: they may come at once.
  statement->ReadAhead();
  matches.group = group;
  matches.properties = std::make_shared<PropertiesRead>();
  while (statement->Step()) {
    ItemRow row = ReadItem(*statement);
    matches.properties->items.try_emplace(row.id);
    matches.by_folder[row.folder].push_back(std::move(row));
  }
  return &matches;
}

}  // namespace

std::vector<std::int64_t> FolderItemIds(StoreSession& session, std::int64_t folder) {
  auto statement = session.Prepare("SELECT id FROM items WHERE folder = ? ORDER BY id");
  statement->Bind(1, folder);
  std::vector<std::int64_t> ids;
  while (statement->Step()) ids.push_back(statement->Int(0));
  return ids;
}

int FolderItemCount(StoreSession& session, std::int64_t folder) {
  auto statement = session.Prepare("SELECT COUNT(*) FROM items WHERE folder = ?");
  statement->Bind(1, folder).Step();
  return static_cast<int>(statement->Int(0));
}

std::vector<std::int64_t> MatchingIds(StoreSession& session, const FolderRow& folder, const Filter& filter,
                                      ItemRows& rows) {
  const Filter::Query query = filter.CompileForFolder(session.Db().dialect());
  const std::uint64_t group = session.ReadGroup();
  std::vector<std::int64_t> ids;
  if (const auto* matches = KeptMatches(session, folder, filter, query, group)) {
    const auto found = matches->by_folder.find(folder.id);
    if (found != matches->by_folder.end()) {
      for (const ItemRow& row : found->second) {
        ids.push_back(row.id);
        rows.Keep(row, matches->group, matches->properties);
      }
    }
  } else {
    auto statement = RunFilter(session, MatchingRowsSql(query), folder.id, query);
    while (statement->Step()) {
      ids.push_back(statement->Int(0));
      rows.Keep(ReadItem(*statement), group);
    }
  }
  return ids;
}

// Every statement is a read transaction of its own, whose locking costs
// more than the lookups themselves: the item's row comes in the same one.
std::optional<ItemRow> FirstMatchingItem(StoreSession& session, std::int64_t folder, const Filter& filter) {
  const Filter::Query query = filter.CompileForFolder(session.Db().dialect());
  auto statement = RunFilter(session, std::string(kItemColumns) + "WHERE id = (" + query.sql + " LIMIT 1)", folder, query);
  if (!statement->Step()) return std::nullopt;
  return ReadItem(*statement);
}

std::vector<std::int64_t> KeepMembers(const std::vector<std::int64_t>& ordered,
                                      const std::vector<std::int64_t>& ascending) {
  std::vector<std::int64_t> kept;
  for (std::int64_t id : ordered) {
    if (std::binary_search(ascending.begin(), ascending.end(), id)) kept.push_back(id);
  }
  return kept;
}

std::vector<std::int64_t> SortByProperty(StoreSession& session, std::vector<std::int64_t> ids,
                                         const std::string& property, bool descending) {
  const auto ranks = RanksByValue(session, ids, property);
  constexpr int kMissing = std::numeric_limits<int>::max();
  auto key = [&](std::int64_t id) {
    auto found = ranks.find(id);
    if (found == ranks.end()) return kMissing;
    return descending ? -found->second : found->second;
  };
  std::stable_sort(ids.begin(), ids.end(), [&](std::int64_t a, std::int64_t b) { return key(a) < key(b); });
  return ids;
}

}  // namespace store
