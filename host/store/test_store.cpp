#include "host/store/test_store.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "host/store/schema.h"
#ifdef QUORVIA_TESTS_ON_SERVER
#include "host/store/pg/pg_test_database.h"
#endif

namespace store::testing {

TempDir::TempDir() : path_((std::filesystem::temp_directory_path() / "quorvia-test-XXXXXX").string()) {
  if (mkdtemp(path_.data()) == nullptr) throw std::runtime_error("cannot make " + path_);
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::File(const std::string& name) const { return path_ + "/" + name; }

std::vector<std::string> TempDir::Entries(const std::string& folder) const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(File(folder))) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

#ifdef QUORVIA_TESTS_ON_SERVER
bool OnServer() { return true; }

StoreLocation::StoreLocation(const TempDir&, const std::string&) {
  const auto server = pg::testing::TestServer();
  if (!server) throw std::runtime_error("QUORVIA_TEST_PG names no test server (ctest sets it)");
  auto database = std::make_shared<pg::testing::TestDatabase>(*server);
  location_ = database->location();
  database_ = std::move(database);
}

StoreLocation::StoreLocation(const TempDir&, const std::string&, const StoreLocation& from) {
  const auto& original = *std::static_pointer_cast<pg::testing::TestDatabase>(from.database_);
  auto database = std::make_shared<pg::testing::TestDatabase>(*pg::testing::TestServer(), original.name());
  location_ = database->location();
  database_ = std::move(database);
}
#else
bool OnServer() { return false; }

StoreLocation::StoreLocation(const TempDir& dir, const std::string& name) : location_(dir.File(name)) {}

StoreLocation::StoreLocation(const TempDir& dir, const std::string& name, const StoreLocation& from)
    : location_(dir.File(name)) {
  std::filesystem::copy_file(from.location_, location_);
}
#endif

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::vector<std::vector<std::string>> TabSeparatedLines(const std::string& text) {
  std::vector<std::vector<std::string>> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string>& fields = lines.emplace_back();
    std::istringstream fields_in(line);
    for (std::string field; std::getline(fields_in, field, '\t');) fields.push_back(field);
    if (!line.empty() && line.back() == '\t') fields.emplace_back();
  }
  return lines;
}

mode_t FileMode(const std::string& path) {
  struct stat status {};
  EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
  return status.st_mode & 07777;
}

pid_t EndedProcess() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  return child;
}

bool CanCheckpointFully(const std::string& path) {
  const auto other = OpenDatabase(path, Database::Mode::kOpenExisting);
  other->Exec("SELECT count(*) FROM sqlite_schema");  // opens the log
  other->SetBusyTimeout(std::chrono::milliseconds(0));
  // The first column is 1 when a reader or writer kept the log from being emptied.
  Statement checkpoint(*other, "PRAGMA wal_checkpoint(TRUNCATE)");
  return checkpoint.Step() && checkpoint.Int(0) == 0;
}

void ZeroPageOf(const std::string& path, const std::string& table_or_index) {
  std::int64_t page = 0;
  std::int64_t page_size = 0;
  {
    const auto db = OpenStore(path);
    Statement root(*db,
                   "SELECT rootpage, (SELECT page_size FROM pragma_page_size) FROM sqlite_schema WHERE name = ?");
    ASSERT_TRUE(root.Bind(1, table_or_index).Step()) << table_or_index;
    page = root.Int(0);
    page_size = root.Int(1);
  }
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  file.seekp((page - 1) * page_size);
  file << std::string(static_cast<std::size_t>(page_size), '\0');
}

std::int64_t CountOf(const Database& db, const std::string& sql) {
  Statement select(db, sql.c_str());
  return select.Step() ? select.Int(0) : -1;
}

std::vector<std::string> RowsOf(const std::string& location, const std::string& sql, int columns) {
  const auto db = OpenDatabase(location, Database::Mode::kReadOnly);
  Statement select(*db, sql.c_str());
  std::vector<std::string> rows;
  while (select.Step()) {
    std::string& row = rows.emplace_back();
    for (int column = 0; column < columns; ++column) {
      if (column > 0) row += '|';
      row += select.IsNull(column) ? std::string("-") : select.Text(column);
    }
  }
  return rows;
}

void AddFolderChain(const Database& db, std::int64_t parent, int deepest) {
  Statement chain(db,
                  "WITH RECURSIVE n(level) AS (SELECT CAST(?2 AS BIGINT) WHERE ?2 <= CAST(?1 AS BIGINT) "
                  "UNION ALL SELECT level + 1 FROM n WHERE level < ?1) "
                  "INSERT INTO folders (id, entry_id, parent, name, default_message_class) "
                  "SELECT 1000 + level, 'C' || level, CASE WHEN level = ?2 THEN NULLIF(?3, 0) ELSE 999 + level END, "
                  "'Level ' || level, 'IPM.Post' FROM n");
  chain.Bind(1, std::int64_t{deepest}).Bind(2, std::int64_t{parent == 0 ? 1 : 2}).Bind(3, parent).Run();
}

TestStore::TestStore(const std::string& path, const std::string& outlook_version)
    : db_(CreateStore(path, kStoreId, outlook_version)) {}

std::int64_t TestStore::AddFolder(const std::string& name, std::int64_t parent,
                                  const std::string& default_message_class) {
  Statement insert(*db_, "INSERT INTO folders (entry_id, parent, name, default_message_class) "
                         "VALUES ('F' || (SELECT COALESCE(MAX(id), 0) + 1 FROM folders), NULLIF(?, 0), ?, ?) "
                         "RETURNING id");
  return insert.Bind(1, parent).Bind(2, name).Bind(3, default_message_class).Insert();
}

std::int64_t TestStore::AddItem(std::int64_t folder, const std::string& message_class,
                                const TextProperties& properties, const std::string& subject) {
  Statement insert(*db_, "INSERT INTO items (entry_id, folder, message_class, subject) "
                         "VALUES ('E' || (SELECT COALESCE(MAX(id), 0) + 1 FROM items), ?, ?, ?) RETURNING id");
  const std::int64_t item = insert.Bind(1, folder).Bind(2, message_class).Bind(3, subject).Insert();
  for (const auto& [name, value] : properties) SetText(item, name, value);
  return item;
}

void TestStore::SetText(std::int64_t item, const std::string& name, const std::string& value) {
  Statement upsert(*db_, "INSERT INTO properties (item, folder, name, type, value) "
                         "VALUES (?1, ?2, ?3, 'text', ?4) "
                         "ON CONFLICT (item, name) DO UPDATE SET value = excluded.value");
  upsert.Bind(1, item).Bind(2, FolderOf(item)).Bind(3, name).Bind(4, value).Run();
}

std::optional<std::string> TestStore::Text(std::int64_t item, const std::string& name) {
  Statement select(*db_, "SELECT value FROM properties WHERE item = ? AND name = ?");
  return select.Bind(1, item).Bind(2, name).Step() ? std::optional(select.Text(0)) : std::nullopt;
}

std::string TestStore::TypeOf(std::int64_t item, const std::string& name) {
  Statement select(*db_, "SELECT type FROM properties WHERE item = ? AND name = ?");
  return select.Bind(1, item).Bind(2, name).Step() ? select.Text(0) : "";
}

std::string TestStore::Column(std::int64_t item, const std::string& column) {
  Statement select(*db_, ("SELECT " + column + " FROM items WHERE id = ?").c_str());
  if (!select.Bind(1, item).Step()) throw std::runtime_error("no item " + std::to_string(item));
  return select.Text(0);
}

std::int64_t TestStore::IdOf(const std::string& entry_id) {
  Statement select(*db_, "SELECT id FROM items WHERE entry_id = ?");
  return select.Bind(1, entry_id).Step() ? select.Int(0) : 0;
}

bool TestStore::Exists(std::int64_t item) {
  Statement select(*db_, "SELECT 1 FROM items WHERE id = ?");
  return select.Bind(1, item).Step();
}

int TestStore::ItemCount(std::int64_t folder) {
  Statement select(*db_, "SELECT COUNT(*) FROM items WHERE folder = ?");
  select.Bind(1, folder).Step();
  return static_cast<int>(select.Int(0));
}

int TestStore::MisfiledProperties() {
  return static_cast<int>(
      CountOf(*db_, "SELECT COUNT(*) FROM properties p JOIN items i ON i.id = p.item WHERE p.folder <> i.folder"));
}

std::int64_t TestStore::FolderOf(std::int64_t item) { return std::stoll(Column(item, "folder")); }

}  // namespace store::testing
