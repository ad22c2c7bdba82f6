#include "host/store/store_rows.h"

#include "host/store/dialect.h"
#include "host/store/held_back_writes.h"
#include "host/store/journal.h"
#include "host/store/schema.h"

namespace store {
namespace {

constexpr char kFolderColumns[] = "SELECT id, entry_id, name, default_message_class FROM folders ";
FolderRow ReadFolder(const Statement& statement) {
  return FolderRow{statement.Int(0), statement.Text(1), statement.Text(2), statement.Text(3), std::nullopt, nullptr};
}

}  // namespace

std::string IdsAsJsonArray(const std::vector<std::int64_t>& ids) {
  std::string json = "[";
  for (const std::int64_t id : ids) {
    if (json.size() > 1) json += ',';
    json += std::to_string(id);
  }
  return json + "]";
}

namespace {

// `rows` rows of `width` parameters each, "(P, P, ...), ...", each P as
// `parameter` writes the next one.
template <class Parameter>
std::string Rows(std::size_t rows, int width, Parameter&& parameter) {
  std::string sql;
  for (std::size_t row = 0; row < rows; ++row) {
    sql += row == 0 ? "(" : ", (";
    for (int column = 0; column < width; ++column) {
      if (column > 0) sql += ", ";
      parameter(sql);
    }
    sql += ')';
  }
  return sql;
}

// "(VALUES (?F, ?F+1, ...), ...) AS changed": rows of parameters numbered
// from `first` on as the table "changed" of a FROM clause, whose columns
// both engines name column1, column2, ...
std::string ChangedRows(std::size_t rows, int width, int first) {
  std::string sql = "(VALUES ";
  sql += Rows(rows, width, [&](std::string& sql) {
    sql += '?';
    sql += std::to_string(first++);
  });
  sql += ") AS changed";
  return sql;
}

}  // namespace

std::string ValuesRows(std::size_t rows, int width) {
  return "VALUES " + Rows(rows, width, [](std::string& sql) { sql += '?'; });
}

std::string ItemColumnUpdateSql(const Dialect& dialect, std::string_view column, std::size_t rows) {
  std::string sql = "UPDATE items SET ";
  sql.append(column).append(" = changed.column2 FROM ").append(ChangedRows(rows, 2, 2));
  return sql.append(" WHERE items.id").append(dialect.in_json_ids).append(" AND items.id = changed.column1");
}

ItemRow ReadItem(const Statement& statement) {
  return ItemRow{statement.Int(0), statement.Text(1), statement.Int(2), statement.Text(3)};
}

void RequireStore(StoreSession& session, const std::string& store_id) {
  if (store_id != session.StoreId()) {
    session.Fail(kNotFound, "store identifier \"" + store_id + "\" does not match \"" + session.StoreId() +
                                "\"");
  }
}

FolderRow FolderByEntryId(StoreSession& session, const std::string& entry_id) {
  auto statement = session.Prepare(std::string(kFolderColumns) + "WHERE entry_id = ?");
  if (!statement->Bind(1, entry_id).Step()) {
    session.Fail(kNotFound, "no folder with entry identifier \"" + entry_id + "\"");
  }
  return ReadFolder(*statement);
}

FolderRow FolderById(StoreSession& session, std::int64_t id) {
  auto statement = session.Prepare(std::string(kFolderColumns) + "WHERE id = ?");
  if (!statement->Bind(1, id).Step()) {
    session.Fail(kNotFound, "folder number " + std::to_string(id) + " no longer exists");
  }
  return ReadFolder(*statement);
}

namespace {

// The folders of one list, sharing what siblings share.
std::vector<FolderRow> Siblings(std::int64_t parent, std::vector<FolderRow> folders,
                                std::shared_ptr<FolderTree> below) {
  const auto siblings = std::make_shared<SiblingReads>(SiblingReads{parent, {}, std::move(below)});
  for (FolderRow& folder : folders) folder.siblings = siblings;
  return folders;
}

std::vector<FolderRow> ListedAlone(StoreSession& session, std::int64_t parent) {
  auto statement = session.Prepare(
      "SELECT id, entry_id, name, default_message_class, "
      "EXISTS (SELECT 1 FROM folders AS sub WHERE sub.parent = folders.id) FROM folders WHERE parent = ? ORDER BY id");
  statement->Bind(1, parent);
  std::vector<FolderRow> folders;
  while (statement->Step()) {
    folders.push_back(ReadFolder(*statement));
    folders.back().has_subfolders = statement->Int(4) != 0;
  }
  return Siblings(parent, std::move(folders), nullptr);
}

// Every folder below `top`, once: a folder whose parents form a loop is
// read once too.
std::shared_ptr<FolderTree> ReadTree(StoreSession& session, std::int64_t top, std::uint64_t group) {
  auto statement = session.Prepare(
      "WITH RECURSIVE below(id) AS (SELECT CAST(?1 AS BIGINT) UNION "
      "SELECT folders.id FROM folders JOIN below ON folders.parent = below.id) "
      "SELECT id, entry_id, name, default_message_class, parent FROM folders "
      "WHERE parent IN (SELECT id FROM below) ORDER BY parent, id");
  // Every row is kept: they may come at once.
  statement->Bind(1, top).ReadAhead();
  auto tree = std::make_shared<FolderTree>(FolderTree{top, group, {}, {}});
  while (statement->Step()) tree->by_parent[statement->Int(4)].push_back(ReadFolder(*statement));
  for (auto& [parent, folders] : tree->by_parent) {
    for (FolderRow& folder : folders) folder.has_subfolders = tree->by_parent.contains(folder.id);
  }
  return tree;
}

// The folders below the folder's siblings, where a run may keep what it
// read and the engine reads trees at once: the folders listed with it carry
// them, read with the first descent.
std::shared_ptr<FolderTree> TreeAround(StoreSession& session, const FolderRow& folder) {
  if (!session.Db().dialect().reads_trees_at_once || !folder.siblings) return nullptr;
  const std::uint64_t group = session.ReadGroup();
  if (group == 0) return nullptr;
  SiblingReads& siblings = *folder.siblings;
  if (!siblings.below || !session.FoldersAsRead(siblings.below->group)) {
    siblings.below = ReadTree(session, siblings.parent, group);
  }
  return siblings.below;
}

}  // namespace

std::vector<FolderRow> Subfolders(StoreSession& session, const FolderRow& parent) {
  const std::shared_ptr<FolderTree> tree = TreeAround(session, parent);
  if (!tree) return ListedAlone(session, parent.id);
  const auto found = tree->by_parent.find(parent.id);
  if (found == tree->by_parent.end()) return {};
  return Siblings(parent.id, found->second, tree);
}

ItemRow ItemByEntryId(StoreSession& session, const std::string& entry_id) {
  auto statement = session.Prepare(std::string(kItemColumns) + "WHERE entry_id = ?");
  if (!statement->Bind(1, entry_id).Step()) {
    session.Fail(kNotFound, "no item with entry identifier \"" + entry_id + "\"");
  }
  return ReadItem(*statement);
}

ItemRow ItemById(StoreSession& session, std::int64_t id) {
  auto statement = session.Prepare(std::string(kItemColumns) + "WHERE id = ?");
  if (!statement->Bind(1, id).Step()) {
    session.Fail(kNotFound, "item number " + std::to_string(id) + " no longer exists");
  }
  return ReadItem(*statement);
}

int FolderLevel(StoreSession& session, std::int64_t folder) {
  auto statement = session.Prepare(
      "WITH RECURSIVE up(id, level) AS (SELECT CAST(?1 AS BIGINT), 1 UNION ALL "
      "SELECT f.parent, up.level + 1 FROM folders AS f JOIN up ON f.id = up.id "
      "WHERE f.parent IS NOT NULL AND up.level <= ?2) SELECT max(level) FROM up");
  statement->Bind(1, folder).Bind(2, std::int64_t{kMaxFolderDepth}).Step();
  return static_cast<int>(statement->Int(0));
}

ItemRow InsertItemRow(StoreSession& session, std::int64_t folder, const std::string& message_class,
                      const std::string& subject, const std::string& body) {
  ItemRow row{0, NewIdentifier(kEntryIdBytes), folder, message_class};
  auto statement = session.Prepare(
      "INSERT INTO items (entry_id, folder, message_class, subject, body) VALUES (?, ?, ?, ?, ?) RETURNING id");
  statement->Bind(1, row.entry_id).Bind(2, folder).Bind(3, message_class);
  row.id = statement->Bind(4, subject).Bind(5, body).Insert();
  JournalCreated(session, row);
  return row;
}

ItemRow InsertItem(StoreSession& session, const FolderRow& folder, const std::string& message_class,
                   const std::string& subject, const std::string& body) {
  ItemRow row;
  session.Write("add an item to folder \"" + folder.name + "\"",
                [&] { row = InsertItemRow(session, folder.id, message_class, subject, body); });
  return row;
}

void DeleteItem(StoreSession& session, const ItemRow& item) {
  if (HeldBackWrites* writes = session.HoldBack(item, HeldWriteKind::kDeletion)) {
    writes->AddDeletion(item);
    return;
  }
  session.WriteItem({item.id, item.folder}, "delete item \"" + item.entry_id + "\"", [&] {
    if (!DeleteItemRow(session, item)) session.Fail(kNotFound, "item \"" + item.entry_id + "\" no longer exists");
  });
}

}  // namespace store

