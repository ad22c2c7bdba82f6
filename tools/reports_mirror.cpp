#include "tools/reports_mirror.h"

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "host/store/schema.h"
#include "reports/update_statement.h"
#include "tools/store_file.h"

namespace storetool {
namespace {

constexpr char kKeyColumn[] = "AccountID";
constexpr char kCompanyColumn[] = "COMPANY";
constexpr char kSchemaPrefix[] = "Schema";

struct ReportFolder {
  std::int64_t id = 0;
  std::string name;
  bool contact = false;
};

// One table of the reports database and the folders whose items it holds.
struct ReportTable {
  std::string name;  // as the first of its folders spells it
  bool contact = false;
  std::vector<ReportFolder> folders;
};

// SQLite's identifier quote.
std::string QuotedName(std::string_view name) { return reports::QuotedName(name, "\""); }

// SQLite compares table names without regard to ASCII letter case.
std::string TableKey(std::string_view name) {
  std::string key(name);
  for (char& c : key) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return key;
}

// Every folder below the database folder, at any depth, in store order.
std::vector<ReportFolder> FoldersBelowDatabaseFolder(const store::Database& source) {
  store::Statement root(source, "SELECT id FROM folders WHERE parent IS NULL AND name = ?1 ORDER BY id LIMIT 1");
  if (!root.Bind(1, store::kDatabaseFolderName).Step()) {
    throw std::runtime_error(source.location() + ": there is no top-level folder \"" + store::kDatabaseFolderName + "\"");
  }
  store::Statement below(source,
                         "WITH RECURSIVE below(id) AS (SELECT id FROM folders WHERE parent = ?1 "
                         "UNION ALL SELECT f.id FROM folders AS f JOIN below AS b ON f.parent = b.id) "
                         "SELECT f.id, f.name, upper(substr(f.default_message_class, 1, 8)) = 'IPM.CONT' "
                         "FROM below JOIN folders AS f USING (id) ORDER BY f.id");
  below.Bind(1, root.Int(0));
  std::vector<ReportFolder> folders;
  while (below.Step()) folders.push_back({below.Int(0), below.Text(1), below.Int(2) != 0});
  return folders;
}

// Groups the folders by table; a table whose name is that of another
// table's schema table is refused, as the two could not be told apart.
std::vector<ReportTable> TablesOf(const std::vector<ReportFolder>& folders, const std::string& source) {
  std::vector<ReportTable> tables;
  std::map<std::string, std::size_t> by_key;
  for (const ReportFolder& folder : folders) {
    const auto [found, added] = by_key.try_emplace(TableKey(folder.name), tables.size());
    if (added) tables.push_back({folder.name, false, {}});
    tables[found->second].contact = tables[found->second].contact || folder.contact;
    tables[found->second].folders.push_back(folder);
  }
  for (const ReportTable& table : tables) {
    if (const auto clash = by_key.find(TableKey(kSchemaPrefix + table.name)); clash != by_key.end()) {
      throw std::runtime_error(source + ": the folder \"" + tables[clash->second].name +
                               "\" has the name of the schema table of the folder \"" + table.name + "\"");
    }
  }
  return tables;
}

// The quoted column names of a folder table, each followed by `type`,
// separated by commas.
std::string ColumnList(bool contact, const std::string& type = "") {
  std::string columns = QuotedName(kKeyColumn) + type;
  for (const char* field : kMirroredFields) columns += ", " + QuotedName(field) + type;
  return contact ? columns + ", " + QuotedName(kCompanyColumn) + type : columns;
}

void CreateTables(store::Database& target, const ReportTable& table) {
  target.Exec(("CREATE TABLE " + QuotedName(table.name) + " (" + ColumnList(table.contact, " TEXT") + ")").c_str());
  const std::string schema = QuotedName(kSchemaPrefix + table.name);
  target.Exec(("CREATE TABLE " + schema + " (" + QuotedName("FieldName") + " TEXT)").c_str());
  store::Statement insert(target, ("INSERT INTO " + schema + " VALUES (?1)").c_str());
  for (const char* field : kMirroredFields) {
    insert.Bind(1, field).Run();
    insert.Reset();
  }
}

// Copies the items of one folder into its table: the key, the mirrored
// fields (NULL where an item lacks one) and, for a contact folder, the
// item's company name.
void CopyRows(const store::Database& source, store::Database& target, const std::string& table,
              const ReportFolder& folder) {
  // Parameter 1 is the folder, 2 to 6 the names of the properties read.
  std::string sql = "SELECT ";
  for (int name = 2; name <= 6; ++name) {
    sql += "(SELECT CAST(value AS TEXT) FROM properties WHERE item = i.id AND name = ?" + std::to_string(name) + "), ";
  }
  store::Statement select(source, (sql + "i.company_name FROM items AS i WHERE i.folder = ?1 ORDER BY i.id").c_str());
  select.Bind(1, folder.id).Bind(2, kKeyColumn);
  for (int field = 0; field < 4; ++field) select.Bind(field + 3, kMirroredFields[field]);
  const int columns = folder.contact ? 6 : 5;
  std::string values = "?1";
  for (int column = 2; column <= columns; ++column) values += ", ?" + std::to_string(column);
  store::Statement insert(target, ("INSERT INTO " + QuotedName(table) + " (" + ColumnList(folder.contact) +
                                   ") VALUES (" + values + ")")
                                      .c_str());
  while (select.Step()) {
    for (int column = 0; column < columns; ++column) {
      if (select.IsNull(column)) {
        insert.BindNull(column + 1);
      } else {
        insert.Bind(column + 1, select.Text(column));
      }
    }
    insert.Run();
    insert.Reset();
  }
}

}  // namespace

void MirrorReports(const store::Database& source, const std::string& target) {
  const std::vector<ReportTable> tables = TablesOf(FoldersBelowDatabaseFolder(source), source.location());
  NewStoreFile file(target);
  file.Make([&](const std::string& temp_path) {
    const auto reports_held = store::OpenDatabase(temp_path, store::Database::Mode::kCreateNew);
    store::Database& reports = *reports_held;
    store::Transaction transaction(reports);
    for (const ReportTable& table : tables) {
      CreateTables(reports, table);
      for (const ReportFolder& folder : table.folders) CopyRows(source, reports, table.name, folder);
    }
    transaction.Commit();
  });
}

}  // namespace storetool
