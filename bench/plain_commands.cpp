#include "bench/plain_commands.h"

#include <array>
#include <map>
#include <set>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "bench/bench_support.h"
#include "host/store/database.h"
#include "host/store/store_location.h"

namespace bench {
namespace {

using store::Database;
using store::Statement;
using store::Transaction;

constexpr char kDatabaseFolder[] = "Account Profiles";
constexpr char kKey[] = "A000001";
constexpr std::array<const char*, 5> kItemProperties = {"AccountID", "Alignment", "Account Manager", "Team",
                                                        "Account Name"};

// The store opened as the hosts open it (a file: foreign keys on, WAL kept
// in the file, synchronous NORMAL), with the statements a per-item command repeats
// prepared once.
class PlainStore {
 public:
  explicit PlainStore(const std::string& path)
      : db_(Open(path)),
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

  // The first column of every row of `sql`, given the database folder as ?1
  // and `key` as ?2.
  std::vector<std::int64_t> Ids(const std::string& sql, const std::string& key) {
    Statement select(*db_, sql.c_str());
    select.Bind(1, top_).Bind(2, key);
    std::vector<std::int64_t> ids;
    while (select.Step()) ids.push_back(select.Int(0));
    return ids;
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
    auto db = OpenDatabase(path, Database::Mode::kOpenExisting);
    // A server's connection is set up by the store's own code.
    if (store::EngineOf(path) == store::Engine::kPostgres) return db;
    db->Exec("PRAGMA foreign_keys = ON; PRAGMA synchronous = NORMAL");
    Statement journal(*db, "PRAGMA journal_mode");
    if (!journal.Step() || journal.Text(0) != "wal") Fail(path + ": the store is not in WAL mode");
    return db;
  }

  std::unique_ptr<Database> db_;
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

// FNV-1a, 64 bits.
class Digest {
 public:
  void Add(const void* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) value_ = (value_ ^ static_cast<const unsigned char*>(data)[i]) * 1099511628211ULL;
  }
  std::uint64_t value() const { return value_; }

 private:
  std::uint64_t value_ = 14695981039346656037ULL;
};

// Reads a table in key order: its rows, and a digest of each of its first
// `columns` columns' type, size and bytes, as the engine reads them, into
// `typed`; the same without the type into `texts`.
std::int64_t DigestTable(const Database& db, const char* sql, int columns, Digest& typed, Digest& texts) {
  Statement rows(db, sql);
  std::int64_t count = 0;
  while (rows.Step()) {
    ++count;
    for (int column = 0; column < columns; ++column) {
      // The type first: reading the text may change what SQLite reports.
      const store::ColumnType type = rows.Type(column);
      const bool null = type == store::ColumnType::kNull;
      const std::string_view bytes = null ? std::string_view() : rows.TextView(column);
      const std::size_t size = bytes.size();
      typed.Add(&type, sizeof type);
      for (Digest* digest : {&typed, &texts}) {
        digest->Add(&null, sizeof null);
        digest->Add(&size, sizeof size);
        digest->Add(bytes.data(), size);
      }
    }
  }
  return count;
}

// The folders below the database folder, ?1: the ones the command's walk visits.
constexpr char kBelow[] =
    "WITH RECURSIVE below(id) AS (SELECT id FROM folders WHERE parent = ?1 "
    "UNION ALL SELECT f.id FROM folders f JOIN below b ON f.parent = b.id) ";
// The related items of the key ?2 in those folders.
constexpr char kRelated[] =
    "SELECT item FROM properties WHERE name = 'AccountID' AND value = ?2 AND folder IN (SELECT id FROM below)";
// The key's location accounts in the database folder ?1.
constexpr char kLocations[] =
    "SELECT item FROM properties WHERE folder = ?1 AND name = 'Account LocationID' AND value = ?2";
// The key's related contacts, which also take the survivor's name as company.
constexpr char kContacts[] = "SELECT id FROM items WHERE message_class = 'IPM.Contact' AND id IN (";

std::string Below(const char* select) { return std::string(kBelow) + select; }

// Writes `fields` to each of `items`, one transaction per item.
void WriteEach(PlainStore& store, const std::vector<std::int64_t>& items,
               const std::vector<std::pair<const char*, std::string>>& fields, const std::set<std::int64_t>& contacts = {},
               const std::string& company = "") {
  for (const std::int64_t item : items) {
    Transaction transaction(store.Db());
    for (const auto& [name, value] : fields) store.Update(item, name, value);
    if (contacts.contains(item)) store.SetCompany(item, company);
    transaction.Commit();
  }
}

// Sets every named property of the items that `items` selects, given the
// database folder as ?1 and `key` as ?2, to its value in one statement.
void SetFields(PlainStore& store, const std::string& key, const char* items,
               const std::vector<std::pair<const char*, std::string>>& fields) {
  std::string sql = kBelow;
  std::string names;
  sql += "UPDATE properties SET value = CASE name";
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const std::string name = std::string("?").append(std::to_string(3 + 2 * i));
    sql.append(" WHEN ").append(name).append(" THEN ?").append(std::to_string(4 + 2 * i));
    names.append(i == 0 ? "" : ", ").append(name);
  }
  sql.append(" END WHERE name IN (").append(names).append(") AND item IN (").append(items).append(")");
  Statement update(store.Db(), sql.c_str());
  update.Bind(1, store.Top()).Bind(2, key);
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const int at = static_cast<int>(3 + 2 * i);
    update.Bind(at, std::string_view(fields[i].first)).Bind(at + 1, fields[i].second);
  }
  update.Run();
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
  WriteEach(store, store.Ids(kLocations, accounts.key),
            {{"Account Parent", survivor["Account Name"]},
             {"Account Manager", survivor["Account Manager"]},
             {"Team", survivor["Team"]},
             {"Alignment", survivor["Alignment"]},
             {"Account LocationID", accounts.survivor}});
  const auto related = store.Ids(Below(kRelated), accounts.key);
  const auto contacts = store.Ids(Below(kContacts) + kRelated + ")", accounts.key);
  std::vector<std::pair<const char*, std::string>> fields;
  for (const char* name : kItemProperties) fields.emplace_back(name, survivor[name]);
  WriteEach(store, related, fields, {contacts.begin(), contacts.end()}, survivor["Account Name"]);
  const auto merged = store.Ids("SELECT item FROM properties WHERE folder = ?1 AND name = 'AccountID' AND value = ?2 "
                                "ORDER BY item LIMIT 1",
                                accounts.key);
  if (merged.empty()) Fail(path + ": no account item " + accounts.key);
  store.DeleteItem(merged.front());
}

void PlainDelete(const std::string& path, const CommandAccounts& accounts) {
  PlainStore store(path);
  WriteEach(store, store.Ids(kLocations, accounts.key), {{"Account Parent", ""}, {"Account LocationID", ""}});
  for (const std::int64_t item : store.Ids(Below(kRelated), accounts.key)) store.DeleteItem(item);
  Statement account(store.Db(), "SELECT id FROM items WHERE entry_id = ?");
  if (!account.Bind(1, accounts.key_entry_id).Step()) Fail(path + ": no account item " + accounts.key);
  const std::int64_t id = account.Int(0);
  account.Reset();
  store.DeleteItem(id);
}

StoreDump DumpStore(const std::string& path) {
  PlainStore store(path);
  StoreDump dump;
  // The columns both engines' layouts have, in their order.
  Digest items, properties, texts;
  dump.items = DigestTable(store.Db(),
                           "SELECT id, entry_id, folder, message_class, subject, body, company_name, time_sent, "
                           "time_received, sent, unread, submitted FROM items ORDER BY id",
                           12, items, texts);
  dump.properties = DigestTable(store.Db(), "SELECT item, folder, name, type, value FROM properties ORDER BY item, name",
                                5, properties, texts);
  dump.items_digest = items.value();
  dump.properties_digest = properties.value();
  dump.texts_digest = texts.value();
  return dump;
}

void SetMerge(const std::string& path, const CommandAccounts& accounts) {
  PlainStore store(path);
  auto survivor = SurvivorValues(store, accounts.survivor_entry_id);
  Transaction transaction(store.Db());
  SetFields(store, accounts.key, kLocations,
            {{"Account Parent", survivor["Account Name"]},
             {"Account Manager", survivor["Account Manager"]},
             {"Team", survivor["Team"]},
             {"Alignment", survivor["Alignment"]},
             {"Account LocationID", accounts.survivor}});
  // The contacts' company first: the property update below moves the items
  // off the key that selects them.
  Statement company(store.Db(), (std::string(kBelow) + "UPDATE items SET company_name = ?3 "
                                 "WHERE message_class = 'IPM.Contact' AND id IN (" + kRelated + ")").c_str());
  company.Bind(1, store.Top()).Bind(2, accounts.key).Bind(3, survivor["Account Name"]).Run();
  std::vector<std::pair<const char*, std::string>> fields;
  for (const char* name : kItemProperties) fields.emplace_back(name, survivor[name]);
  SetFields(store, accounts.key, kRelated, fields);
  Statement account(store.Db(),
                    "DELETE FROM items WHERE id = (SELECT MIN(item) FROM properties "
                    "WHERE folder = ?1 AND name = 'AccountID' AND value = ?2)");
  account.Bind(1, store.Top()).Bind(2, accounts.key).Run();
  transaction.Commit();
}

void SetDelete(const std::string& path, const CommandAccounts& accounts) {
  PlainStore store(path);
  Transaction transaction(store.Db());
  SetFields(store, accounts.key, kLocations, {{"Account Parent", ""}, {"Account LocationID", ""}});
  Statement related(store.Db(), (std::string(kBelow) + "DELETE FROM items WHERE id IN (" + kRelated + ")").c_str());
  related.Bind(1, store.Top()).Bind(2, accounts.key).Run();
  Statement account(store.Db(), "DELETE FROM items WHERE entry_id = ?");
  account.Bind(1, accounts.key_entry_id).Run();
  transaction.Commit();
}

}  // namespace bench
