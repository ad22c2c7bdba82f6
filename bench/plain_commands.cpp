#include "bench/plain_commands.h"

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "bench/bench_support.h"
#include "host/store/sqlite_db.h"

namespace bench {
namespace {

using store::Database;
using store::Statement;
using store::Transaction;

constexpr char kDatabaseFolder[] = "Account Profiles";
constexpr char kKey[] = "A000001";
constexpr std::array<const char*, 5> kItemProperties = {"AccountID", "Alignment", "Account Manager", "Team",
                                                        "Account Name"};

// The store opened as the hosts open it (foreign keys on, WAL kept in the
// file, synchronous NORMAL), with every statement a command needs prepared
// once.
class PlainStore {
 public:
  explicit PlainStore(const std::string& path)
      : db_(Open(path)),
        children_(*db_, "SELECT id FROM folders WHERE parent = ? ORDER BY id"),
        matching_(*db_, "SELECT item FROM properties WHERE folder = ? AND name = ? AND value = ? ORDER BY item"),
        item_class_(*db_, "SELECT message_class FROM items WHERE id = ?"),
        update_(*db_, "UPDATE properties SET value = ? WHERE item = ? AND name = ?"),
        company_(*db_, "UPDATE items SET company_name = ? WHERE id = ?"),
        delete_(*db_, "DELETE FROM items WHERE id = ?") {
    Statement top(*db_, "SELECT id FROM folders WHERE parent IS NULL AND name = ?");
    if (!top.Bind(1, std::string_view(kDatabaseFolder)).Step()) Fail(path + ": no database folder");
    top_ = top.Int(0);
  }

  Database& Db() { return *db_; }
  std::int64_t Top() const { return top_; }

  std::int64_t Count(const char* sql, const std::string& value = "") {
    Statement count(*db_, sql);
    if (!value.empty()) count.Bind(1, value);
    count.Step();
    return count.Int(0);
  }

  // Runs `work` on every folder below `parent`, depth first, a folder before
  // its subfolders, as the program's folder walk goes.
  void WalkBelow(std::int64_t parent, const std::function<void(std::int64_t)>& work) {
    std::vector<std::int64_t> folders;
    children_.Reset();
    children_.Bind(1, parent);
    while (children_.Step()) folders.push_back(children_.Int(0));
    children_.Reset();
    for (const std::int64_t folder : folders) {
      work(folder);
      WalkBelow(folder, work);
    }
  }

  // Ids, ascending, of the folder's items whose property `name` is `value`.
  std::vector<std::int64_t> Matching(std::int64_t folder, const char* name, const std::string& value) {
    matching_.Reset();
    matching_.Bind(1, folder).Bind(2, std::string_view(name)).Bind(3, value);
    std::vector<std::int64_t> ids;
    while (matching_.Step()) ids.push_back(matching_.Int(0));
    matching_.Reset();
    return ids;
  }

  bool IsContact(std::int64_t item) {
    item_class_.Reset();
    const bool contact = item_class_.Bind(1, item).Step() && item_class_.Text(0) == "IPM.Contact";
    item_class_.Reset();
    return contact;
  }

  void Update(std::int64_t item, const char* name, const std::string& value) {
    update_.Reset();
    update_.Bind(1, value).Bind(2, item).Bind(3, std::string_view(name)).Run();
  }

  void SetCompany(std::int64_t item, const std::string& name) {
    company_.Reset();
    company_.Bind(1, name).Bind(2, item).Run();
  }

  // Deletes one item, its properties going with it, in its own transaction.
  void DeleteItem(std::int64_t item) {
    Transaction transaction(*db_);
    delete_.Reset();
    delete_.Bind(1, item).Run();
    transaction.Commit();
  }

 private:
  static std::unique_ptr<Database> Open(const std::string& path) {
    auto db = std::make_unique<Database>(path, Database::Mode::kOpenExisting);
    db->Exec("PRAGMA foreign_keys = ON; PRAGMA synchronous = NORMAL");
    Statement journal(*db, "PRAGMA journal_mode");
    if (!journal.Step() || journal.Text(0) != "wal") Fail(path + ": the store is not in WAL mode");
    return db;
  }

  std::unique_ptr<Database> db_;
  Statement children_;
  Statement matching_;
  Statement item_class_;
  Statement update_;
  Statement company_;
  Statement delete_;
  std::int64_t top_ = 0;
};

std::map<std::string, std::string> SurvivorValues(PlainStore& store, const std::string& entry_id) {
  Statement read(store.Db(),
                 "SELECT name, value FROM properties WHERE item = (SELECT id FROM items WHERE entry_id = ?)");
  read.Bind(1, entry_id);
  std::map<std::string, std::string> values;
  while (read.Step()) values[read.Text(0)] = read.Text(1);
  return values;
}

// One transaction per related item: its five account properties, and the
// company of a contact.
void MergeFolder(PlainStore& store, std::int64_t folder, const std::string& key,
                 std::map<std::string, std::string>& survivor) {
  const auto ids = store.Matching(folder, "AccountID", key);
  for (auto id = ids.rbegin(); id != ids.rend(); ++id) {
    const bool contact = store.IsContact(*id);
    Transaction transaction(store.Db());
    for (const char* name : kItemProperties) store.Update(*id, name, survivor[name]);
    if (contact) store.SetCompany(*id, survivor["Account Name"]);
    transaction.Commit();
  }
}

// Each field written to a location account is its own transaction.
void WriteLocationFields(PlainStore& store, const std::string& key,
                         const std::vector<std::pair<const char*, std::string>>& fields) {
  const auto locations = store.Matching(store.Top(), "Account LocationID", key);
  for (auto location = locations.rbegin(); location != locations.rend(); ++location) {
    for (const auto& [name, value] : fields) {
      Transaction transaction(store.Db());
      store.Update(*location, name, value);
      transaction.Commit();
    }
  }
}

}  // namespace

CommandAccounts FindCommandAccounts(const std::string& path) {
  PlainStore store(path);
  CommandAccounts accounts;
  accounts.key = kKey;
  Statement key(store.Db(),
                "SELECT i.entry_id FROM properties p JOIN items i ON i.id = p.item "
                "WHERE p.folder = ? AND p.name = 'AccountID' AND p.value = ? ORDER BY p.item LIMIT 1");
  if (!key.Bind(1, store.Top()).Bind(2, accounts.key).Step()) Fail(path + ": no account " + accounts.key);
  accounts.key_entry_id = key.Text(0);
  Statement plain(store.Db(),
                  "SELECT p.value, i.entry_id FROM properties p JOIN items i ON i.id = p.item "
                  "JOIN properties l ON l.item = p.item AND l.name = 'Account LocationID' "
                  "WHERE p.folder = ? AND p.name = 'AccountID' AND p.value <> ? AND l.value = '' "
                  "ORDER BY p.item LIMIT 1");
  if (!plain.Bind(1, store.Top()).Bind(2, accounts.key).Step()) Fail(path + ": no plain account");
  accounts.survivor = plain.Text(0);
  accounts.survivor_entry_id = plain.Text(1);
  return accounts;
}

StoreCounts CountStore(const std::string& path, const CommandAccounts& accounts) {
  PlainStore store(path);
  constexpr char kByAccount[] = "SELECT COUNT(*) FROM properties WHERE name = 'AccountID' AND value = ?";
  StoreCounts counts;
  counts.key_items = store.Count(kByAccount, accounts.key);
  counts.survivor_items = store.Count(kByAccount, accounts.survivor);
  counts.key_locations = store.Count(
      "SELECT COUNT(*) FROM properties WHERE name = 'Account LocationID' AND value = ?", accounts.key);
  counts.items = store.Count("SELECT COUNT(*) FROM items");
  return counts;
}

void PlainMerge(const std::string& path, const CommandAccounts& accounts) {
  PlainStore store(path);
  auto survivor = SurvivorValues(store, accounts.survivor_entry_id);
  WriteLocationFields(store, accounts.key,
                      {{"Account Parent", survivor["Account Name"]},
                       {"Account Manager", survivor["Account Manager"]},
                       {"Team", survivor["Team"]},
                       {"Alignment", survivor["Alignment"]},
                       {"Account LocationID", accounts.survivor}});
  store.WalkBelow(store.Top(), [&](std::int64_t folder) { MergeFolder(store, folder, accounts.key, survivor); });
  const auto merged = store.Matching(store.Top(), "AccountID", accounts.key);
  if (merged.empty()) Fail(path + ": no account item " + accounts.key);
  store.DeleteItem(merged.front());
}

void PlainDelete(const std::string& path, const CommandAccounts& accounts) {
  PlainStore store(path);
  WriteLocationFields(store, accounts.key, {{"Account Parent", ""}, {"Account LocationID", ""}});
  store.WalkBelow(store.Top(), [&](std::int64_t folder) {
    const auto ids = store.Matching(folder, "AccountID", accounts.key);
    for (auto id = ids.rbegin(); id != ids.rend(); ++id) store.DeleteItem(*id);
  });
  Statement account(store.Db(), "SELECT id FROM items WHERE entry_id = ?");
  if (!account.Bind(1, accounts.key_entry_id).Step()) Fail(path + ": no account item " + accounts.key);
  const std::int64_t id = account.Int(0);
  account.Reset();
  store.DeleteItem(id);
}

}  // namespace bench
