#include "tools/store_copy.h"

#include <functional>
#include <stdexcept>

#include "host/store/dialect.h"
#include "host/store/schema.h"
#include "tools/new_store.h"
#include "tools/store_rows.h"

namespace storetool {
namespace {

// One table's rows: the statement that reads them (its first `columns`
// columns are the row, in the order that the insert names them), and the
// place of a row in a message.
struct TableCopy {
  std::string select;
  const char* insert;
  int columns;
  std::function<std::string(const store::Statement&)> place;
};

// Folders come after their parent, so that each row's references exist when
// it is added; runs before the changes that name them.
std::vector<TableCopy> Tables(const store::Database& source) {
  std::vector<TableCopy> tables = {
      {"WITH RECURSIVE tree(id, depth) AS (SELECT id, 0 FROM folders WHERE parent IS NULL UNION ALL "
       "SELECT f.id, t.depth + 1 FROM folders AS f JOIN tree AS t ON f.parent = t.id) "
       "SELECT f.id, f.entry_id, f.parent, f.name, f.default_message_class FROM tree JOIN folders AS f "
       "ON f.id = tree.id ORDER BY tree.depth, f.id",
       "INSERT INTO folders (id, entry_id, parent, name, default_message_class) VALUES (?, ?, ?, ?, ?)", 5,
       [](const store::Statement& row) { return "folder " + row.Text(1); }},
      {"SELECT id, entry_id, folder, message_class, subject, body, company_name, time_sent, time_received, sent, "
       "unread, submitted FROM items ORDER BY id",
       "INSERT INTO items (id, entry_id, folder, message_class, subject, body, company_name, time_sent, "
       "time_received, sent, unread, submitted) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
       12, [](const store::Statement& row) { return "item " + row.Text(1); }},
      {std::string("SELECT p.item, p.folder, p.name, p.type, p.value, i.entry_id") +
           source.dialect().value_kind_column + " FROM properties AS p JOIN items AS i ON i.id = p.item "
           "ORDER BY p.item, p.name",
       "INSERT INTO properties (item, folder, name, type, value) VALUES (?, ?, ?, ?, ?)", 5,
       [](const store::Statement& row) { return "item " + row.Text(5) + ", property \"" + row.Text(2) + "\""; }},
  };
  if (!store::HasJournal(source)) return tables;
  tables.push_back({"SELECT id, run_id, started, \"user\", command, first_change, last_change, status, undoes "
                    "FROM runs ORDER BY id",
                    "INSERT INTO runs (id, run_id, started, \"user\", command, first_change, last_change, status, "
                    "undoes) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)",
                    9, [](const store::Statement& row) { return "journal run " + row.Text(1); }});
  tables.push_back({"SELECT id, run, kind, item, entry_id, folder, before, after FROM changes ORDER BY id",
                    "INSERT INTO changes (id, run, kind, item, entry_id, folder, before, after) "
                    "VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
                    8, [](const store::Statement& row) {
                      return "journal change " + row.Text(0) + " of item " + row.Text(4);
                    }});
  return tables;
}

// Binds each column of `row` to `insert` as the kind of value it holds.
void BindRow(const store::Statement& row, int columns, store::Statement& insert) {
  insert.Reset();
  for (int column = 0; column < columns; ++column) {
    switch (row.Type(column)) {
      case store::ColumnType::kNull: insert.BindNull(column + 1); break;
      case store::ColumnType::kInteger: insert.Bind(column + 1, row.Int(column)); break;
      case store::ColumnType::kReal: insert.Bind(column + 1, row.Real(column)); break;
      default: insert.Bind(column + 1, row.TextView(column)); break;
    }
  }
}

void CopyTable(const store::Database& source, store::Database& target, const TableCopy& table) {
  store::Statement rows(source, table.select.c_str());
  store::Statement insert(target, table.insert);
  while (rows.Step()) {
    try {
      BindRow(rows, table.columns, insert);
      insert.RunAhead();
    } catch (const host::Error& error) {
      throw std::runtime_error(table.place(rows) + ": " + error.description());
    }
  }
}

}  // namespace

void CopyStore(store::Database& source, const std::string& target) {
  const store::Snapshot snapshot(source);
  std::string store_id, outlook_version;
  {
    store::Statement header(source, "SELECT store_id, outlook_version FROM store WHERE id = 1");
    if (!header.Step()) throw std::runtime_error(source.location() + ": the store table has no row");
    store_id = header.Text(0);
    outlook_version = header.Text(1);
  }
  MakeStore(target, outlook_version, [&](store::Database& copy) {
    store::Statement(copy, "UPDATE store SET store_id = ? WHERE id = 1").Bind(1, store_id).Run();
    for (const TableCopy& table : Tables(source)) CopyTable(source, copy, table);
    FollowCopiedIds(copy);
  });
}

}  // namespace storetool
