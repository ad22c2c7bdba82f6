#include "host/store/schema.h"

#include <filesystem>
#include <random>

#include "host/error.h"
#include "host/store/dialect.h"
#include "host/store/store_files.h"
#include "host/store/store_location.h"

namespace store {
namespace {

// Properties are looked up by value under two names only: AccountID
// (restrictions and searches for an account's items, the tool's find) and
// Account LocationID (an account's location accounts). Layouts 1 to 3 also
// indexed the value of every other property, so each property a command
// wrote moved an index entry on a page of its own: most of the pages every
// save wrote. A filter on any other property goes through its folder's
// items. The condition is a comparison per name, so that a statement naming
// either in a literal is planned once.
constexpr char kKeyIndex[] =
    "CREATE INDEX properties_by_key ON properties(folder, name, value, item) "
    "WHERE name = 'AccountID' OR name = 'Account LocationID'";

// The journal: each run that changed the store (and the run it took back,
// for an undo), and each change it made to an item with the item's
// before-image and its new values (JSON). Changes keep the order they were
// made in: their id. A run's changes lie between its first and last change
// (the last is unknown until it ends), so they are found by that range of
// ids: an index of changes by run would cost every write one more page.
constexpr char kJournalSchema[] = R"sql(
CREATE TABLE runs (
  id INTEGER PRIMARY KEY,
  run_id TEXT NOT NULL UNIQUE,
  started TEXT NOT NULL,
  user TEXT NOT NULL,
  command TEXT NOT NULL,
  first_change INTEGER NOT NULL,
  last_change INTEGER,
  status INTEGER,
  undoes INTEGER REFERENCES runs(id) ON DELETE SET NULL);
CREATE TABLE changes (
  id INTEGER PRIMARY KEY,
  run INTEGER NOT NULL,
  kind TEXT NOT NULL CHECK (kind = 'changed' OR kind = 'created' OR kind = 'deleted'),
  item INTEGER NOT NULL,
  entry_id TEXT NOT NULL,
  folder INTEGER NOT NULL,
  before TEXT NOT NULL,
  after TEXT NOT NULL);
)sql";

// Items and folders keep the order they were added in: their id. Each
// property row repeats its item's folder, so a restriction of one folder to
// one key is a single range of properties_by_key. The type check is a
// chain of comparisons because SQLite checks an IN list of more than two
// constants through a temporary index built anew for every row written.
constexpr char kSchema[] = R"sql(
CREATE TABLE store (
  id INTEGER PRIMARY KEY CHECK (id = 1),
  store_id TEXT NOT NULL,
  outlook_version TEXT NOT NULL);
CREATE TABLE folders (
  id INTEGER PRIMARY KEY,
  entry_id TEXT NOT NULL UNIQUE,
  parent INTEGER REFERENCES folders(id),
  name TEXT NOT NULL,
  default_message_class TEXT NOT NULL);
CREATE INDEX folders_by_parent ON folders(parent, id);
CREATE TABLE items (
  id INTEGER PRIMARY KEY,
  entry_id TEXT NOT NULL UNIQUE,
  folder INTEGER NOT NULL REFERENCES folders(id),
  message_class TEXT NOT NULL,
  subject TEXT NOT NULL DEFAULT '',
  body TEXT NOT NULL DEFAULT '',
  company_name TEXT NOT NULL DEFAULT '',
  time_sent TEXT,
  time_received TEXT,
  sent INTEGER NOT NULL DEFAULT 0,
  unread INTEGER NOT NULL DEFAULT 0,
  submitted INTEGER NOT NULL DEFAULT 0);
CREATE INDEX items_by_folder ON items(folder, id);
CREATE TABLE properties (
  item INTEGER NOT NULL REFERENCES items(id) ON DELETE CASCADE,
  folder INTEGER NOT NULL REFERENCES folders(id),
  name TEXT NOT NULL,
  type TEXT NOT NULL CHECK (type = 'text' OR type = 'integer' OR type = 'boolean' OR type = 'time'),
  value,
  PRIMARY KEY (item, name)) WITHOUT ROWID;
)sql";

void Exec(Database& db, const char* sql) {
  if (*sql != '\0') db.Exec(sql);
}

int ReadInt(const Database& db, const char* sql) {
  Statement statement(db, sql);
  return statement.Step() ? static_cast<int>(statement.Int(0)) : 0;
}

void SetInt(Database& db, const char* set, int value) { db.Exec((set + std::to_string(value)).c_str()); }

}  // namespace

// An older layout becomes the current one in one transaction, so a program
// killed half-way leaves the old layout whole. Another program may have
// upgraded the store since its version was read, so it is read again under
// the write lock.
void UpgradeStore(Database& db) {
  Transaction transaction(db);
  const int version = ReadInt(db, db.dialect().layout_version);
  if (version >= kOldestSchemaVersion && version < 3) db.Exec(kJournalSchema);
  if (version >= kOldestSchemaVersion && version < 4) {
    db.Exec("DROP INDEX IF EXISTS properties_by_folder");
    db.Exec("DROP INDEX IF EXISTS properties_by_value");
    db.Exec(kKeyIndex);
  }
  if (version < kSchemaVersion) SetInt(db, db.dialect().set_layout_version, kSchemaVersion);
  transaction.Commit();
}

namespace {

// The opened file, once it has shown itself a CRM store of a layout this
// program knows, upgraded when it is to be written. Until then every
// failure, however SQLite names it, is a failure to open.
std::unique_ptr<Database> Checked(std::unique_ptr<Database> db, bool upgrade) {
  const std::string& path = db->location();
  int application_id = 0;
  int version = 0;
  try {
    application_id = ReadInt(*db, db->dialect().application_id);
    version = ReadInt(*db, db->dialect().layout_version);
    Exec(*db, db->dialect().configure);
  } catch (const host::Error&) {
    throw OpenFailure(path, db->WhyNotOpened());
  }
  if (application_id != kApplicationId) {
    throw OpenFailure(path, "not a CRM store; the file is left unchanged");
  }
  if (version < kOldestSchemaVersion || version > kSchemaVersion) {
    throw OpenFailure(path, "store layout version " + std::to_string(version) +
                                " is not supported (this program reads versions " +
                                std::to_string(kOldestSchemaVersion) + " to " + std::to_string(kSchemaVersion) +
                                "); the file is left unchanged");
  }
  if (upgrade && version < kSchemaVersion) UpgradeStore(*db);
  return db;
}

}  // namespace

std::unique_ptr<Database> OpenStore(const std::string& path, bool upgrade) {
  auto db = Checked(OpenDatabase(path, Database::Mode::kOpenExisting), upgrade);
  Exec(*db, db->dialect().configure_writer);
  return db;
}

void CheckpointQuietly(Database& db) {
  const char* checkpoint = db.dialect().checkpoint;
  if (*checkpoint == '\0') return;
  try {
    Statement(db, checkpoint).Step();
  } catch (const host::Error&) {
  }
}

std::unique_ptr<Database> OpenStoreReadOnly(const std::string& path) {
  return Checked(OpenDatabase(path, Database::Mode::kReadOnly), false);
}

std::unique_ptr<Database> CreateStore(const std::string& path, const std::string& store_id,
                                      const std::string& outlook_version,
                                      const std::function<void(Database&)>& fill) {
  if (EngineOf(path) == Engine::kSqlite) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty()) CreatePrivateFolders(folder.string());
  }
  auto db = OpenDatabase(path, Database::Mode::kCreateNew);
  Exec(*db, db->dialect().configure_new_store);
  Exec(*db, db->dialect().configure);
  Transaction transaction(*db);
  if (*db->dialect().tables != '\0') {
    db->Exec(db->dialect().tables);
  } else {
    db->Exec(kSchema);
    db->Exec(kKeyIndex);
    db->Exec(kJournalSchema);
  }
  Statement(*db, "INSERT INTO store (id, store_id, outlook_version) VALUES (1, ?, ?)")
      .Bind(1, store_id)
      .Bind(2, outlook_version)
      .Run();
  SetInt(*db, db->dialect().set_application_id, kApplicationId);
  SetInt(*db, db->dialect().set_layout_version, kSchemaVersion);
  if (fill) fill(*db);
  transaction.Commit();
  return db;
}

bool HasJournal(const Database& db) { return ReadInt(db, db.dialect().layout_version) >= 3; }

std::string NewIdentifier(int bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  thread_local std::mt19937_64 generator{std::random_device{}()};
  std::string id;
  id.reserve(static_cast<std::size_t>(bytes) * 2);
  for (int i = 0; i < bytes; ++i) {
    const auto byte = static_cast<unsigned>(generator() & 0xFF);
    id += kHex[byte >> 4];
    id += kHex[byte & 0xF];
  }
  return id;
}

}  // namespace store
