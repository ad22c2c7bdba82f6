#pragma once

namespace store {

namespace pg {
extern const char kSchemaSql[];
}  // namespace pg

// The SQL that differs by engine; every other statement of the store is
// written once, in SQL that both engines run: parameters as ?N (or ?,
// numbered left to right), COALESCE rather than IFNULL, every subquery in
// FROM named, runs."user" quoted, rows added with RETURNING id, no
// parameter whose type only its place could tell. A field that an engine has
// no use for is "".
struct Dialect {
  // Run once on every connection, after the store was recognised.
  const char* configure;
  // Run once on a connection that writes, before its first write.
  const char* configure_writer;
  // Run once on a new store, before its tables are made.
  const char* configure_new_store;
  // The statements that make a new store's tables where the engine's layout
  // is its own; "" for the layout that schema.cpp writes.
  const char* tables;
  // Copies what the write-ahead log holds back into the store as far as no
  // reader needs it, yielding one row whose first column is 0 when it could.
  const char* checkpoint;

  // Yield one row: the mark of a CRM store (kApplicationId), and its layout
  // version.
  const char* application_id;
  const char* layout_version;
  // Followed by a number: set the mark and the layout version.
  const char* set_application_id;
  const char* set_layout_version;

  // Spliced after "FROM properties": the index that a lookup by key
  // (folder, name, value) and a lookup by item and name must use.
  const char* by_key_index;
  const char* by_item_index;
  // The property name where it must not choose the index (a filter by a
  // property of each member of a known set of items).
  const char* name_not_indexed;

  // Spliced after a column: its value is one of the ids in the JSON array
  // of integers bound as ?1.
  const char* in_json_ids;
  // The kind of a property's value as SQLite's typeof names it ('integer',
  // 'real', 'text', 'null'), and the expression list that orders values as
  // SQLite does: null, numbers by value, text by bytes.
  const char* value_type;
  const char* value_order;
  // Appended to a select list that ends with the column value, so that the
  // statement's Type tells that value's kind as value_type names it.
  const char* value_kind_column;
  // A property's value where it is compared with an integer, as SQLite
  // compares: text above every number, null matching nothing.
  const char* number_value;
  // Turns a transaction that has only read into the writing one, failing
  // when another connection committed after its reads began; "" where a
  // snapshot's reads cannot become a write that sees later commits.
  const char* claim_reads_for_write;
  // Seconds from a run's start (its column started, ISO 8601 with offset)
  // until now; NULL when it is no time.
  const char* run_age_seconds;
  // Whether the value @ (each @ stands for it) is a time as the store keeps
  // it, text "YYYY-MM-DD HH:MM:SS".
  const char* is_time;
  // Joins the table after it with the one before, reading them in that
  // order: SQLite's planner takes CROSS JOIN as that order.
  const char* join_in_order;
  // Waits until this transaction holds the account whose key is bound as
  // ?1, which it keeps to its end; "" where one writer at a time holds the
  // whole store anyway.
  const char* lock_account;
  // Appended to a SELECT from items, with other tables joined after it,
  // whose rows are of one item: waits until this transaction holds that
  // item, which it keeps to its end; "" where one writer holds the whole
  // store.
  const char* hold_item;
  // Appended to a SELECT of rows that are about to be deleted: it leaves out
  // a row another transaction holds rather than waiting for it.
  const char* skip_rows_held;
  // Run after rows were added with their ids (copy), so that rows added
  // later get ids past them.
  const char* follow_copied_ids;
  // Whether check looks at the file's pages and links, and for text that
  // is not UTF-8 (an engine that keeps any bytes as text, in a file).
  bool checks_file;
  // Whether a walk reads every folder below its start, and what a filter
  // matches in all of them, at once (FolderTree): worth it where each
  // statement waits for a server. In a file it costs more than it spares:
  // reading as the walk goes keeps the reads beside the writes.
  bool reads_trees_at_once;
};

inline constexpr Dialect kSqliteDialect{
    .configure = "PRAGMA foreign_keys = ON; PRAGMA synchronous = NORMAL",
    // An automatic checkpoint inside a long command copies the same pages
    // back again and again; the owner of the connection checkpoints once at
    // its end.
    .configure_writer = "PRAGMA wal_autocheckpoint = 0",
    .configure_new_store = "PRAGMA journal_mode = WAL",
    .tables = "",
    .checkpoint = "PRAGMA wal_checkpoint(PASSIVE)",
    .application_id = "PRAGMA application_id",
    .layout_version = "PRAGMA user_version",
    .set_application_id = "PRAGMA application_id = ",
    .set_layout_version = "PRAGMA user_version = ",
    .by_key_index = " INDEXED BY properties_by_key",
    .by_item_index = " INDEXED BY sqlite_autoindex_properties_1",
    .name_not_indexed = "+name",
    .in_json_ids = " IN (SELECT value FROM json_each(?1))",
    .value_type = "typeof(value)",
    .value_order = "value",
    .value_kind_column = "",
    .number_value = "value",
    // A statement that writes nothing still takes the write lock.
    .claim_reads_for_write = "UPDATE store SET id = id WHERE 0",
    .run_age_seconds = "CAST(strftime('%s', 'now') AS INTEGER) - CAST(strftime('%s', started) AS INTEGER)",
    .is_time = "(typeof(@) = 'text' AND @ GLOB "
               "'[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]' AND "
               "datetime(julianday(@)) IS @)",
    .join_in_order = "CROSS JOIN",
    .lock_account = "",
    .hold_item = "",
    .skip_rows_held = "",
    .follow_copied_ids = "",
    .checks_file = true,
    .reads_trees_at_once = false,
};

// The layout of host/store/pg: the mark and the version in the one row of
// meta, a property's value as text with its kind in value_class and its
// rank among numbers in value_number.
inline constexpr Dialect kPostgresDialect{
    .configure = "",
    .configure_writer = "",
    .configure_new_store = "",
    .tables = pg::kSchemaSql,
    .checkpoint = "",
    .application_id = "SELECT application_id FROM meta WHERE id = 1",
    .layout_version = "SELECT layout FROM meta WHERE id = 1",
    .set_application_id = "UPDATE meta SET application_id = ",
    .set_layout_version = "UPDATE meta SET layout = ",
    .by_key_index = "",
    .by_item_index = "",
    .name_not_indexed = "name",
    // Compared as one array: the ids are looked up by the index rather than
    // joined with a read of the whole table, which the planner chose for
    // small tables, three to five times slower. The array is made by
    // functions the planner folds into a constant, so it knows how many ids
    // there are and hashes them where it checks rows against them; a cast
    // of text to an array is not folded, and a check of each row against a
    // thousand ids one by one took half a second.
    .in_json_ids = " = ANY (CAST(string_to_array(btrim(?1, '[]'), ',') AS bigint[]))",
    .value_type = "value_class",
    .value_order = "value_number NULLS FIRST, value",
    .value_kind_column = ", value_class",
    .number_value = "value_number",
    .claim_reads_for_write = "",
    .run_age_seconds = "seconds_since(started)",
    .is_time = "is_local_time(@)",
    .join_in_order = "JOIN",
    // A lock of the server's own, not a row: an account not yet in the
    // store is held as well, and runs on other accounts never wait.
    .lock_account = "SELECT pg_advisory_xact_lock(hashtext(?1))",
    // Weaker than FOR UPDATE: rows that refer to the item may still be added.
    .hold_item = " FOR NO KEY UPDATE OF items",
    .skip_rows_held = " FOR UPDATE SKIP LOCKED",
    .follow_copied_ids =
        "SELECT setval(pg_get_serial_sequence('folders', 'id'), COALESCE(max(id), 0) + 1, false) FROM folders; "
        "SELECT setval(pg_get_serial_sequence('items', 'id'), COALESCE(max(id), 0) + 1, false) FROM items; "
        "SELECT setval(pg_get_serial_sequence('runs', 'id'), COALESCE(max(id), 0) + 1, false) FROM runs; "
        "SELECT setval(pg_get_serial_sequence('changes', 'id'), COALESCE(max(id), 0) + 1, false) FROM changes",
    .checks_file = false,
    .reads_trees_at_once = true,
};

}  // namespace store
