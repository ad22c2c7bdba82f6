#include "host/store/store_rows.h"

#include "host/store/journal.h"
#include "host/store/schema.h"

namespace store {
namespace {

constexpr char kFolderColumns[] = "SELECT id, entry_id, name, default_message_class FROM folders ";
FolderRow ReadFolder(const Statement& statement) {
  return FolderRow{statement.Int(0), statement.Text(1), statement.Text(2), statement.Text(3), std::nullopt, nullptr};
}

}  // namespace

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

std::vector<FolderRow> Subfolders(StoreSession& session, std::int64_t parent) {
  auto statement = session.Prepare(
      "SELECT id, entry_id, name, default_message_class, "
      "EXISTS (SELECT 1 FROM folders AS sub WHERE sub.parent = folders.id) FROM folders WHERE parent = ? ORDER BY id");
  statement->Bind(1, parent);
  const auto siblings = std::make_shared<SubfolderMatches>(SubfolderMatches{parent, {}});
  std::vector<FolderRow> folders;
  while (statement->Step()) {
    folders.push_back(ReadFolder(*statement));
    folders.back().has_subfolders = statement->Int(4) != 0;
    folders.back().siblings = siblings;
  }
  return folders;
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
  session.WriteItem({item.id, item.folder}, "delete item \"" + item.entry_id + "\"", [&] {
    if (!DeleteItemRow(session, item)) session.Fail(kNotFound, "item \"" + item.entry_id + "\" no longer exists");
  });
}

}  // namespace store

