#include "host/store/journal_undo.h"

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>

#include "host/rerun_on_conflict.h"
#include "host/store/dialect.h"
#include "host/store/item_record.h"
#include "host/store/journal.h"
#include "host/store/journal_damage.h"
#include "host/store/restored_values.h"
#include "host/store/store_rows.h"
#include "host/store/store_session.h"

namespace store {
namespace {

using nlohmann::json;

struct JournalRow {
  std::int64_t id = 0;
  std::string kind;
  ItemRow item;
  json before;
};

std::vector<std::int64_t> ItemsOf(const std::vector<JournalRow>& rows) {
  std::vector<std::int64_t> items;
  items.reserve(rows.size());
  for (const JournalRow& row : rows) items.push_back(row.item.id);
  return items;
}

std::vector<JournalRow> ChangesOf(StoreSession& session, std::int64_t run) {
  auto statement = session.Prepare(std::string("SELECT id, kind, item, entry_id, folder, before FROM changes WHERE ") +
                                   kChangesOfRun + " ORDER BY id");
  statement->Bind(1, run);
  std::vector<JournalRow> rows;
  while (statement->Step()) {
    rows.push_back({statement->Int(0), statement->Text(1),
                    ItemRow{statement->Int(2), statement->Text(3), statement->Int(4), ""},
                    json::parse(statement->Text(5))});
  }
  return rows;
}

// The accounts the run's items belonged to before it and belong to now:
// taking the run back waits for the runs on those accounts, as they wait on
// each other.
std::vector<std::string> AccountsOf(StoreSession& session, const std::vector<JournalRow>& rows) {
  std::vector<std::string> accounts;
  for (const JournalRow& row : rows) {
    const json& before = row.before.value("properties", json::object()).value("AccountID", json());
    if (before.is_array() && before.size() == 2 && before[1].is_string()) accounts.push_back(before[1]);
  }
  const Dialect& dialect = session.Db().dialect();
  auto now = session.Prepare(std::string("SELECT value FROM properties WHERE item") + dialect.in_json_ids + " AND " +
                             dialect.name_not_indexed + " = 'AccountID'");
  now->Bind(1, IdsAsJsonArray(ItemsOf(rows)));
  while (now->Step()) accounts.push_back(now->Text(0));
  return accounts;
}

// The runs after `run` whose changes cancel out: each taken back by an
// undo that stands, and that undo.
std::unordered_set<std::int64_t> CancelledAfter(StoreSession& session, std::int64_t run) {
  auto undos = session.Prepare(
      "SELECT u.id, u.undoes FROM runs AS u WHERE u.undoes > ? "
      "AND NOT EXISTS (SELECT 1 FROM runs AS v WHERE v.undoes = u.id)");
  undos->Bind(1, run);
  std::unordered_set<std::int64_t> cancelled;
  while (undos->Step()) cancelled.insert({undos->Int(0), undos->Int(1)});
  return cancelled;
}

// The items of `rows` that another run changed after the run did; runs
// that were taken back since do not count.
std::vector<std::string> LaterChanged(StoreSession& session, std::int64_t run, const std::vector<JournalRow>& rows) {
  std::vector<std::string> conflicts;
  if (rows.empty()) return conflicts;
  const std::unordered_set<std::int64_t> cancelled = CancelledAfter(session, run);
  std::unordered_map<std::string, std::int64_t> first_change;
  for (const JournalRow& row : rows) first_change.emplace(row.item.entry_id, row.id);
  auto later = session.Prepare("SELECT entry_id, id, run FROM changes WHERE id > ? AND run <> ? ORDER BY id");
  later->Bind(1, rows.front().id).Bind(2, run);
  std::unordered_set<std::string> named;
  while (later->Step()) {
    const std::string entry_id = later->Text(0);
    const auto found = first_change.find(entry_id);
    if (found != first_change.end() && later->Int(1) > found->second && cancelled.count(later->Int(2)) == 0 &&
        named.insert(entry_id).second) {
      conflicts.push_back(entry_id);
    }
  }
  return conflicts;
}

// Stores a deleted item again under its old row number unless another item
// took it since (`taken`), so the store's order is what it was.
ItemRow Recreate(StoreSession& session, const JournalRow& row, bool taken) {
  const json& whole = row.before;
  // A server numbering its rows itself takes no null for a row number, so
  // a taken one is left out rather than bound as null.
  auto insert = session.Prepare(
      taken ? "INSERT INTO items (entry_id, folder, message_class, subject, body, company_name, time_sent, "
              "time_received, sent, unread, submitted) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11) "
              "RETURNING id"
            : "INSERT INTO items (entry_id, folder, message_class, subject, body, company_name, time_sent, "
              "time_received, sent, unread, submitted, id) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, "
              "?12) RETURNING id");
  if (!taken) insert->Bind(12, row.item.id);
  const std::string message_class = JournaledText(whole.at("message_class"));
  insert->Bind(1, row.item.entry_id).Bind(2, row.item.folder).Bind(3, message_class);
  for (int i = 0; i < static_cast<int>(std::size(kJournaledColumns)); ++i) {
    BindStored(*insert, 4 + i, whole.at("columns").value(kJournaledColumns[i], json(nullptr)));
  }
  ItemRow restored{row.item.id, row.item.entry_id, row.item.folder, message_class};
  // Under its old number the item's row is known, and its insert goes ahead.
  if (taken) {
    restored.id = insert->Insert();
  } else {
    insert->RunAhead();
  }
  // Its properties in one statement.
  if (const json& properties = whole.at("properties"); !properties.empty()) {
    auto insert = session.Prepare(PropertiesUpsertSql(properties.size()));
    int at = 1;
    for (const auto& [name, value] : properties.items()) {
      BindJournaledProperty(*insert, at, restored, name, value);
      at += 5;
    }
    insert->RunAhead();
  }
  JournalCreated(session, restored);
  return restored;
}

// The items the run's rows name, by entry identifier, as taking the run
// back finds them: those its hold read by their row numbers (an item keeps
// its number unless a deletion of it was taken back under another one),
// the others looked up by entry identifier a few hundred at a time, then
// kept as items are removed and stored again, with the row numbers they
// take. The run's items are held, so no other run changes what is kept.
class CurrentItems {
 public:
  CurrentItems(StoreSession& session, std::vector<ItemRow> held, const std::vector<JournalRow>& rows) {
    for (ItemRow& item : held) Stored(std::move(item));
    std::vector<std::string> unknown;
    for (const JournalRow& row : rows) {
      if (known_.emplace(row.item.entry_id, std::nullopt).second) unknown.push_back(row.item.entry_id);
    }
    constexpr std::size_t kPerStatement = 500;
    for (std::size_t first = 0; first < unknown.size(); first += kPerStatement) {
      const std::size_t count = std::min(kPerStatement, unknown.size() - first);
      std::string sql = std::string(kItemColumns) + "WHERE entry_id IN (";
      for (std::size_t at = 1; at <= count; ++at) sql.append(at == 1 ? "?" : ", ?").append(std::to_string(at));
      auto read = session.Prepare(sql + ")");
      for (std::size_t at = 0; at < count; ++at) read->BindUnowned(static_cast<int>(at + 1), unknown[first + at]);
      while (read->Step()) Stored(ReadItem(*read));
    }
  }

  const std::optional<ItemRow>& Find(const std::string& entry_id) const { return known_.at(entry_id); }
  bool Taken(std::int64_t id) const { return ids_.contains(id); }
  void Removed(const std::string& entry_id) {
    std::optional<ItemRow>& item = known_.at(entry_id);
    if (item) ids_.erase(item->id);
    item.reset();
  }
  void Stored(ItemRow item) {
    ids_.insert(item.id);
    known_.insert_or_assign(item.entry_id, std::move(item));
  }

 private:
  std::unordered_map<std::string, std::optional<ItemRow>> known_;
  std::unordered_set<std::int64_t> ids_;
};

// The folders of the run's deleted items that are still there.
std::unordered_set<std::int64_t> FoldersLeft(StoreSession& session, const std::vector<JournalRow>& rows) {
  std::vector<std::int64_t> folders;
  for (const JournalRow& row : rows) {
    if (row.kind == kDeleted) folders.push_back(row.item.folder);
  }
  std::unordered_set<std::int64_t> left;
  if (folders.empty()) return left;
  auto read = session.Prepare(std::string("SELECT id FROM folders WHERE id") + session.Db().dialect().in_json_ids);
  read->Bind(1, IdsAsJsonArray(folders));
  while (read->Step()) left.insert(read->Int(0));
  return left;
}

// The items each kind of taking back reached, by entry identifier.
struct Tally {
  std::unordered_set<std::string> restored, recreated, removed;
};

// What taking the run back keeps from one of its rows to the next.
struct TakingBack {
  CurrentItems items;
  std::unordered_set<std::int64_t> folders_left;
  RestoredValues restored;
  Tally tally;
};

void TakeBack(StoreSession& session, const JournalRow& row, TakingBack& undo, UndoResult& result) {
  // Values given back wait to be made together until another kind of
  // change comes.
  if (row.kind != kChanged) undo.restored.Write(session);
  const std::optional<ItemRow> current = undo.items.Find(row.item.entry_id);
  if (row.kind == kCreated) {
    if (!current) return;  // deleted since, as the run's own later rows show
    DeleteItemRow(session, *current);
    undo.items.Removed(row.item.entry_id);
    undo.tally.removed.insert(row.item.entry_id);
  } else if (row.kind == kDeleted) {
    if (current) {
      result.skipped.push_back(row.item.entry_id + ": an item with its entry identifier exists again");
    } else if (!undo.folders_left.contains(row.item.folder)) {
      result.skipped.push_back(row.item.entry_id + ": its folder no longer exists");
    } else {
      undo.items.Stored(Recreate(session, row, undo.items.Taken(row.item.id)));
      undo.tally.recreated.insert(row.item.entry_id);
    }
  } else if (current) {
    if (undo.restored.MustWaitFor(current->id)) undo.restored.Write(session);
    undo.restored.Add(*current, row.before);
    undo.tally.restored.insert(row.item.entry_id);
  } else {
    result.skipped.push_back(row.item.entry_id + ": it no longer exists");
  }
}

// The run's one transaction: the undo itself, then its own end in the journal.
void TakeBackInOneTransaction(StoreSession& session, const std::string& run, bool force,
                              const Retention& retention, UndoResult& result) {
  session.Write("take back run \"" + run + "\"", [&] {
    const auto [row, run_id] = FindRun(session.Db(), run);
    result.run_id = run_id;
    if (const auto damage = DamageOfRun(session.Db(), row)) {
      throw std::runtime_error("run " + run_id + " was not taken back: its journal is damaged: " + *damage);
    }
    const std::vector<JournalRow> rows = ChangesOf(session, row);
    session.LockAccounts(AccountsOf(session, rows));
    // Later changes are sought only once no run still under way can add one.
    std::vector<ItemRow> held = HoldItems(session, ItemsOf(rows));
    result.conflicts = LaterChanged(session, row, rows);
    if (!result.conflicts.empty() && !force) return;
    TakingBack undo{CurrentItems(session, std::move(held), rows), FoldersLeft(session, rows), {}, {}};
    for (auto change = rows.rbegin(); change != rows.rend(); ++change) TakeBack(session, *change, undo, result);
    undo.restored.Write(session);
    Tally& tally = undo.tally;
    // An item the run created and changed counts as removed only.
    for (const std::string& entry_id : tally.removed) tally.restored.erase(entry_id);
    for (const std::string& entry_id : tally.recreated) tally.restored.erase(entry_id);
    // An item is named once, however many of the run's changes it missed.
    std::unordered_set<std::string> named;
    std::erase_if(result.skipped, [&](const std::string& line) { return !named.insert(line).second; });
    result.restored = tally.restored.size();
    result.recreated = tally.recreated.size();
    result.removed = tally.removed.size();
    if (session.journal().on()) {
      session.Prepare("UPDATE runs SET undoes = ? WHERE id = ?")
          ->Bind(1, row)
          .Bind(2, session.journal().RunRow(session))
          .Run();
    }
    result.done = true;
  });
  if (result.done) session.EndRun(result.skipped.empty() ? 0 : 1, retention);
  session.CommitRun();
}

}  // namespace

UndoResult UndoRun(StoreSession& session, const std::string& run, bool force, const Retention& retention) {
  UndoResult result;
  host::RerunOnConflict(
      [&] {
        result = {};
        session.TakeForWriting();
      },
      [&] { TakeBackInOneTransaction(session, run, force, retention, result); });
  return result;
}

}  // namespace store
