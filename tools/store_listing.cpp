#include "tools/store_listing.h"

#include "host/store/dialect.h"

#include "host/store/schema.h"
#include "tools/json_reader.h"
#include "tools/store_rows.h"

namespace storetool {
namespace {

// Shows a stored property value the way a document writes it.
std::string ShownValue(const std::string& type, const store::Statement& row, int column) {
  if (type == kInteger) return std::to_string(row.Int(column));
  if (type == kBoolean) return row.Int(column) != 0 ? "true" : "false";
  if (type == kTime) return DocumentTime(row.Text(column));
  return OneLine(row.Text(column));
}

}  // namespace

// Folder by folder, as the index of keys is ordered (in layouts before 4,
// the index of every property's value is ordered the same way).
std::string FindByAccountIdSql(const store::Dialect& dialect) {
  return std::string("SELECT i.folder, i.entry_id, i.message_class, i.subject FROM folders AS f ") +
         dialect.join_in_order +
         " properties AS p ON p.folder = f.id AND p.name = 'AccountID' AND p.value = ?1 "
         "JOIN items AS i ON i.id = p.item ORDER BY p.item";
}

FolderPaths::FolderPaths(const store::Database& db) {
  store::Statement select(db, "SELECT id, coalesce(parent, 0), name FROM folders");
  while (select.Step()) folders_[select.Int(0)] = Entry{select.Int(1), select.Text(2)};
}

std::string FolderPaths::Path(std::int64_t folder) const {
  std::string path;
  // A damaged store may hold a cycle of parents; stop after as many steps
  // as there are folders.
  for (std::size_t steps = 0; steps <= folders_.size(); ++steps) {
    const auto found = folders_.find(folder);
    if (found == folders_.end()) break;
    path = path.empty() ? found->second.name : found->second.name + "/" + path;
    folder = found->second.parent;
  }
  return path;
}

std::string OneLine(const std::string& text) {
  std::string line;
  for (const char c : text) {
    switch (c) {
      case '\\': line += "\\\\"; break;
      case '\t': line += "\\t"; break;
      case '\n': line += "\\n"; break;
      case '\r': line += "\\r"; break;
      default: line += c;
    }
  }
  return line;
}

std::string FolderTreeQuery(std::string_view select) {
  std::string sql =
      "WITH RECURSIVE tree(id, depth, path) AS ("
      "SELECT id, 0, CAST(1000000000000000000 + id AS TEXT) FROM folders WHERE parent IS NULL "
      "UNION ALL SELECT f.id, t.depth + 1, t.path || CAST(1000000000000000000 + f.id AS TEXT) "
      "FROM tree t JOIN folders f ON f.parent = t.id WHERE t.depth < ";
  return sql.append(std::to_string(store::kMaxFolderDepth))
      .append("), ranked(id, depth, position) AS MATERIALIZED ("
              "SELECT id, depth, row_number() OVER (ORDER BY path) FROM tree) ")
      .append(select);
}

std::runtime_error TooDeepFolder(const store::Database& db, std::string_view entry_id, std::string_view name) {
  return std::runtime_error(db.location() + ": folder " + Quote(entry_id) + " (" + Quote(name) + "): folders nest deeper than " +
                            std::to_string(store::kMaxFolderDepth) + " levels");
}

void ListFolders(const store::Database& db, std::ostream& out) {
  store::Statement folders(db, FolderTreeQuery("SELECT r.depth, f.entry_id, f.name, "
                                               "(SELECT count(*) FROM items WHERE folder = f.id) "
                                               "FROM ranked r JOIN folders f ON f.id = r.id ORDER BY r.position")
                                   .c_str());
  while (folders.Step()) {
    const std::int64_t depth = folders.Int(0);
    if (depth >= store::kMaxFolderDepth) throw TooDeepFolder(db, folders.Text(1), folders.Text(2));
    out << std::string(static_cast<std::size_t>(depth) * 2, ' ') << folders.Text(2) << " (" << folders.Int(3)
        << ")\n";
  }
}

bool ShowItem(const store::Database& db, const std::string& entry_id, std::ostream& out) {
  store::Statement item(db, "SELECT id, folder, entry_id, message_class, subject, body, company_name, "
                            "time_sent, time_received, sent, unread, submitted FROM items WHERE entry_id = ?");
  item.Bind(1, entry_id);
  if (!item.Step()) return false;
  out << "entry_id\t" << item.Text(2) << "\nfolder\t" << OneLine(FolderPaths(db).Path(item.Int(1))) << '\n';
  static constexpr const char* kTexts[] = {"message_class", "subject", "body", "company_name"};
  for (int i = 0; i < 4; ++i) out << kTexts[i] << '\t' << OneLine(item.Text(i + 3)) << '\n';
  out << "time_sent\t" << (item.IsNull(7) ? "null" : DocumentTime(item.Text(7))) << '\n';
  out << "time_received\t" << (item.IsNull(8) ? "null" : DocumentTime(item.Text(8))) << '\n';
  static constexpr const char* kFlags[] = {"sent", "unread", "submitted"};
  for (int i = 0; i < 3; ++i) out << kFlags[i] << '\t' << (item.Int(i + 9) != 0 ? "true" : "false") << '\n';
  store::Statement properties(db, "SELECT name, type, value FROM properties WHERE item = ? ORDER BY name");
  properties.Bind(1, item.Int(0));
  while (properties.Step()) {
    const std::string type = properties.Text(1);
    out << "property\t" << OneLine(properties.Text(0)) << '\t' << type << '\t'
        << ShownValue(type, properties, 2) << '\n';
  }
  return true;
}

std::int64_t FindAccountItems(const store::Database& db, const std::string& key, std::ostream& out) {
  const FolderPaths paths(db);
  store::Statement select(db, FindByAccountIdSql(db.dialect()).c_str());
  select.Bind(1, key);
  std::int64_t found = 0;
  for (; select.Step(); ++found) {
    out << OneLine(paths.Path(select.Int(0))) << '\t' << select.Text(1) << '\t' << OneLine(select.Text(2))
        << '\t' << OneLine(select.Text(3)) << '\n';
  }
  return found;
}

}  // namespace storetool
