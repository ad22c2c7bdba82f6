#include "bench/update_data.h"

#include <map>
#include <string_view>

#include "bench/bench_support.h"
#include "host/store/schema.h"
#include "host/store/database.h"
#include "reports/update_statement.h"
#include "tools/reports_mirror.h"

namespace bench {
namespace {

using store::Database;
using store::Statement;

constexpr char kKeyColumn[] = "AccountID";
constexpr char kCompanyColumn[] = "COMPANY";
constexpr char kOutOfDate[] = "out of date";

std::string Quoted(std::string_view name) { return reports::QuotedName(name, "\""); }

std::string Literal(std::string_view text) {
  std::string literal = "'";
  for (const char c : text) literal.append(c == '\'' ? "''" : std::string(1, c));
  return literal + "'";
}

struct Table {
  std::string name;
  bool contact = false;
};

std::string Lower(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return lower;
}

// Folders of one name, whatever the ASCII case, share a table, which has
// COMPANY when any of them is a contact folder.
void CollectTables(const std::vector<ReportFolder>& folders, std::map<std::string, Table>& tables) {
  for (const ReportFolder& folder : folders) {
    Table& table = tables.try_emplace(Lower(folder.name), Table{folder.name, false}).first->second;
    table.contact = table.contact || folder.contact;
    CollectTables(folder.children, tables);
  }
}

std::vector<Table> TablesOf(const std::vector<ReportFolder>& tree) {
  std::map<std::string, Table> by_name;
  CollectTables(tree, by_name);
  std::vector<Table> tables;
  for (auto& [lower, table] : by_name) tables.push_back(std::move(table));
  return tables;
}

// The value columns of a table: the account fields, then COMPANY.
std::vector<std::string> ValueColumns(const Table& table) {
  std::vector<std::string> columns(std::begin(storetool::kMirroredFields), std::end(storetool::kMirroredFields));
  if (table.contact) columns.emplace_back(kCompanyColumn);
  return columns;
}

void MarkOutOfDate(Database& db, const Table& table, const std::string& key) {
  std::string sql = "UPDATE " + Quoted(table.name) + " SET ";
  const char* separator = "";
  for (const std::string& column : ValueColumns(table)) {
    sql.append(separator).append(Quoted(column)).append(" = ?2");
    separator = ", ";
  }
  sql.append(" WHERE ").append(Quoted(kKeyColumn)).append(" = ?1");
  Statement mark(db, sql.c_str());
  mark.Bind(1, key).Bind(2, std::string_view(kOutOfDate)).Run();
}

// Rows of the accounts A000002 to A001000 in turn, numbered on from the
// table's last row, with values as long as the store's own.
void AddOtherRows(Database& db, const Table& table, std::int64_t rows_per_table) {
  Statement count(db, ("SELECT COUNT(*) FROM " + Quoted(table.name)).c_str());
  count.Step();
  const std::int64_t have = count.Int(0);
  if (have >= rows_per_table) return;
  std::string sql = "INSERT INTO " + Quoted(table.name) + " (" + Quoted(kKeyColumn);
  for (const std::string& column : ValueColumns(table)) sql.append(", ").append(Quoted(column));
  sql.append(
      ") WITH RECURSIVE n(i) AS (SELECT ?1 UNION ALL SELECT i + 1 FROM n WHERE i < ?2) "
      "SELECT printf('A%06d', 2 + i % 999), printf('Account %06d Ltd', 2 + i % 999), "
      "printf('Manager %03d', i % 97), printf('Team %02d', i % 13), printf('Alignment %d', i % 5)");
  if (table.contact) sql.append(", printf('Account %06d Ltd', 2 + i % 999)");
  sql.append(" FROM n");
  Statement insert(db, sql.c_str());
  insert.Bind(1, have + 1).Bind(2, rows_per_table).Run();
}

}  // namespace

const std::string& AccountName(const UpdateAccount& account) {
  for (const auto& [name, value] : account.fields) {
    if (name == kAccountNameField) return value;
  }
  Fail("the account " + account.key + " has no field " + kAccountNameField);
}

void GiveFoldersOwnNames(const std::string& store_path) {
  const auto db_held = OpenDatabase(store_path, Database::Mode::kOpenExisting);
  Database& db = *db_held;
  Statement rename(db,
                   "WITH RECURSIVE below(id) AS (SELECT id FROM folders WHERE parent = "
                   "(SELECT id FROM folders WHERE parent IS NULL AND name = ?1 ORDER BY id LIMIT 1) "
                   "UNION ALL SELECT f.id FROM folders AS f JOIN below AS b ON f.parent = b.id) "
                   "UPDATE folders SET name = name || ' ' || id WHERE id IN below AND lower(name) IN "
                   "(SELECT lower(name) FROM folders JOIN below USING (id) GROUP BY lower(name) HAVING COUNT(*) > 1)");
  rename.Bind(1, std::string_view(store::kDatabaseFolderName)).Run();
}

void KeepFirstFolders(const std::string& store_path, std::int64_t folders) {
  const auto db_held = OpenDatabase(store_path, Database::Mode::kOpenExisting);
  Database& db = *db_held;
  store::Transaction transaction(db);
  // Depth first, each level by id: a path of zero-padded ids sorts in the
  // walk's order, and a prefix of that order holds every kept folder's parent.
  Statement dropped(db,
                    "CREATE TEMP TABLE dropped AS WITH RECURSIVE below(id, path) AS ("
                    "SELECT id, printf('%012d/', id) FROM folders WHERE parent = "
                    "(SELECT id FROM folders WHERE parent IS NULL AND name = ?1 ORDER BY id LIMIT 1) "
                    "UNION ALL SELECT f.id, b.path || printf('%012d/', f.id) FROM folders AS f "
                    "JOIN below AS b ON f.parent = b.id) "
                    "SELECT id FROM below ORDER BY path LIMIT -1 OFFSET ?2");
  dropped.Bind(1, std::string_view(store::kDatabaseFolderName)).Bind(2, folders).Run();
  db.Exec("DELETE FROM properties WHERE folder IN dropped; DELETE FROM items WHERE folder IN dropped; "
          "DELETE FROM folders WHERE id IN dropped; DROP TABLE dropped");
  transaction.Commit();
}

std::vector<ReportFolder> ReadFolderTree(const std::string& store_path) {
  const auto db_held = OpenDatabase(store_path, Database::Mode::kReadOnly);
  Database& db = *db_held;
  Statement root(db, "SELECT id FROM folders WHERE parent IS NULL AND name = ? ORDER BY id LIMIT 1");
  if (!root.Bind(1, std::string_view(store::kDatabaseFolderName)).Step()) {
    Fail(store_path + ": no folder \"" + store::kDatabaseFolderName + "\"");
  }
  const std::int64_t top = root.Int(0);
  Statement children(db,
                     "SELECT id, name, upper(substr(default_message_class, 1, 8)) = 'IPM.CONT' "
                     "FROM folders WHERE parent = ? ORDER BY id");
  // Breadth first through the store, building each level below its parent.
  std::vector<ReportFolder> tree;
  std::vector<std::pair<std::int64_t, std::vector<ReportFolder>*>> pending{{top, &tree}};
  for (std::size_t next = 0; next < pending.size(); ++next) {
    auto [parent, level] = pending[next];
    children.Bind(1, parent);
    std::vector<std::int64_t> ids;
    while (children.Step()) {
      level->push_back({children.Text(1), children.Int(2) != 0, {}});
      ids.push_back(children.Int(0));
    }
    children.Reset();
    for (std::size_t i = 0; i < ids.size(); ++i) pending.emplace_back(ids[i], &(*level)[i].children);
  }
  if (tree.empty()) Fail(store_path + ": no folders below \"" + store::kDatabaseFolderName + "\"");
  return tree;
}

WalkCounts CountWalk(const std::vector<ReportFolder>& tree) {
  WalkCounts counts{0, 1};
  for (const ReportFolder& folder : tree) {
    const WalkCounts below = folder.children.empty() ? WalkCounts{} : CountWalk(folder.children);
    counts.folders += 1 + below.folders;
    counts.levels += below.levels;
  }
  return counts;
}

UpdateAccount ReadUpdateAccount(const std::string& store_path, const std::string& key) {
  const auto db_held = OpenDatabase(store_path, Database::Mode::kReadOnly);
  Database& db = *db_held;
  Statement item(db,
                 "SELECT i.id, i.entry_id FROM properties p JOIN items i ON i.id = p.item "
                 "JOIN folders f ON f.id = p.folder "
                 "WHERE f.parent IS NULL AND f.name = ? AND p.name = 'AccountID' AND p.value = ? "
                 "ORDER BY p.item LIMIT 1");
  if (!item.Bind(1, std::string_view(store::kDatabaseFolderName)).Bind(2, key).Step()) {
    Fail(store_path + ": no account item " + key);
  }
  UpdateAccount account{key, item.Text(1), {}};
  Statement value(db, "SELECT CAST(value AS TEXT) FROM properties WHERE item = ? AND name = ?");
  for (const char* field : storetool::kMirroredFields) {
    if (!value.Bind(1, item.Int(0)).Bind(2, std::string_view(field)).Step()) {
      Fail(store_path + ": the account item " + key + " has no field " + field);
    }
    account.fields.emplace_back(field, value.Text(0));
    value.Reset();
  }
  return account;
}

std::int64_t CountTables(const std::vector<ReportFolder>& tree) {
  return static_cast<std::int64_t>(TablesOf(tree).size());
}

void FillReports(const std::string& reports_path, const std::vector<ReportFolder>& tree,
                         const UpdateAccount& account, std::int64_t rows_per_table) {
  const auto db_held = OpenDatabase(reports_path, Database::Mode::kOpenExisting);
  Database& db = *db_held;
  const std::vector<Table> tables = TablesOf(tree);
  store::Transaction transaction(db);
  for (const Table& table : tables) {
    MarkOutOfDate(db, table, account.key);
    AddOtherRows(db, table, rows_per_table);
  }
  transaction.Commit();
}

std::vector<std::string> KeyRowQueries(const std::vector<ReportFolder>& tree, const UpdateAccount& account) {
  std::vector<std::string> queries;
  for (const Table& table : TablesOf(tree)) {
    std::string sql = "SELECT COUNT(*) AS key_rows, COALESCE(SUM(CASE WHEN 1 = 1";
    const std::vector<std::string> columns = ValueColumns(table);
    for (std::size_t c = 0; c < columns.size(); ++c) {
      // A contact table's COMPANY takes the account's name.
      const std::string& value = c < account.fields.size() ? account.fields[c].second : AccountName(account);
      sql.append(" AND ").append(Quoted(columns[c])).append(" = ").append(Literal(value));
    }
    sql.append(" THEN 1 ELSE 0 END), 0) AS current_rows FROM ").append(Quoted(table.name));
    sql.append(" WHERE ").append(Quoted(kKeyColumn)).append(" = ").append(Literal(account.key));
    queries.push_back(std::move(sql));
  }
  return queries;
}

KeyRows CountKeyRows(const std::string& reports_path, const std::vector<ReportFolder>& tree,
                     const UpdateAccount& account) {
  const auto db_held = OpenDatabase(reports_path, Database::Mode::kReadOnly);
  KeyRows counted;
  for (const std::string& query : KeyRowQueries(tree, account)) {
    Statement count(*db_held, query.c_str());
    count.Step();
    counted.rows += count.Int(0);
    counted.current += count.Int(1);
  }
  return counted;
}

}  // namespace bench
