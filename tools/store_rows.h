#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/store/database.h"
#include "tools/entry_id_filter.h"

namespace storetool {

// The four property types of the store, as its rows name them.
inline constexpr char kText[] = "text";
inline constexpr char kInteger[] = "integer";
inline constexpr char kBoolean[] = "boolean";
inline constexpr char kTime[] = "time";

// One user property: `text` holds text and time values (a time as
// "YYYY-MM-DD HH:MM:SS"), `number` integer and Boolean (0/1) values.
struct PropertyRow {
  std::string name;
  std::string type = kText;
  std::string text;
  std::int64_t number = 0;
};

// One item with its properties; times as "YYYY-MM-DD HH:MM:SS".
struct ItemRow {
  std::string entry_id;
  std::string message_class;
  std::string subject;
  std::string body;
  std::string company_name;
  std::optional<std::string> time_sent;
  std::optional<std::string> time_received;
  bool sent = false;
  bool unread = false;
  bool submitted = false;
  std::vector<PropertyRow> properties;
};

// True when `text` is a non-empty run of 0-9 and A-F.
bool IsUpperHex(std::string_view text);

// Turns a time written "YYYY-MM-DDTHH:MM:SS" (or with a blank for the "T")
// into the stored form "YYYY-MM-DD HH:MM:SS"; nullopt when it is not a
// valid date and time.
std::optional<std::string> StoredTime(std::string_view text);

// The stored time "YYYY-MM-DD HH:MM:SS" as a document writes it, with "T".
std::string DocumentTime(std::string_view stored);

// Prepares a new, not yet published store for loading many rows in one
// transaction: no journal (a failed load discards the whole file), no CHECK
// constraints (the loader checks its values), and the secondary indexes
// dropped until Finish builds them again by sorting, with two sorter
// threads and a small fixed cache. Use on a file no one else has open.
class BulkLoad {
 public:
  explicit BulkLoad(store::Database& db);
  // Builds the indexes again and turns the write-ahead journal back on;
  // call after the load's transaction has been committed.
  void Finish();

 private:
  store::Database& db_;
  std::vector<std::string> index_sql_;
};

// Adds rows to an open store that no other program writes meanwhile (a new
// one), through prepared statements; the caller owns the transaction.
// Items get their ids here, and their rows and properties are run ahead
// (Statement::RunAhead): on a server they go out without a round trip each.
// Failures throw host::Error from the store.
class StoreWriter {
 public:
  explicit StoreWriter(store::Database& db);

  // Sets the store's identifier and mail-client version.
  void SetStore(std::string_view store_id, std::string_view outlook_version);
  // Adds a folder under `parent` (nullopt: top level) and returns its id.
  std::int64_t AddFolder(std::optional<std::int64_t> parent, std::string_view entry_id,
                         std::string_view name, std::string_view default_message_class);
  // Replaces a folder's entry identifier, name and default message class.
  void UpdateFolder(std::int64_t id, std::string_view entry_id, std::string_view name,
                    std::string_view default_message_class);
  // Adds an item with its properties to `folder` and returns its id.
  std::int64_t AddItem(std::int64_t folder, const ItemRow& item);
  // Replaces an item's message class.
  void SetMessageClass(std::int64_t item, std::string_view message_class);
  // True when a folder or an item has this entry identifier.
  bool IsEntryIdUsed(std::string_view entry_id);
  // After the last row: rows that others add later get ids past these.
  void Finish();

 private:
  store::Database& db_;
  EntryIdFilter used_;
  std::int64_t next_item_ = 0;
  store::Statement add_folder_;
  store::Statement update_folder_;
  store::Statement add_item_;
  store::Statement add_property_;
  store::Statement set_class_;
  store::Statement find_id_;
};

// After rows were added with ids of their own: rows added later get ids
// past them.
void FollowCopiedIds(store::Database& db);

}  // namespace storetool
