#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/error.h"
#include "host/store/database.h"

// Building stores for tests: a private temporary directory and a store file
// filled by plain SQL, on a connection of its own (like another process).
namespace store::testing {

// A new, empty directory under the system's temporary directory; it is
// removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // The path of `name` inside the directory.
  std::string File(const std::string& name) const;
  // The names of the entries in the directory, or in its folder `folder`, sorted.
  std::vector<std::string> Entries(const std::string& folder = "") const;

 private:
  std::string path_;
};

// Where a test's store goes: the file `name` in `dir`, or, in the suites
// that quorvia_pg_tests runs on the PostgreSQL test server (QUORVIA_TEST_PG),
// a new database of its own there, dropped with the object.
class StoreLocation {
 public:
  explicit StoreLocation(const TempDir& dir, const std::string& name = "crm.db");
  // A copy of the store at `from`, which no session may hold open.
  StoreLocation(const TempDir& dir, const std::string& name, const StoreLocation& from);
  const std::string& str() const { return location_; }

 private:
  std::shared_ptr<void> database_;
  std::string location_;
};

// Whether this test program runs the store's suites on the PostgreSQL test
// server; tests of what only a store file does skip themselves there.
bool OnServer();
#define QUORVIA_SKIP_ON_SERVER() \
  if (::store::testing::OnServer()) GTEST_SKIP() << "what only a SQLite file does"

// The whole contents of the file at `path` ("" when it cannot be read), and
// a new file at `path` holding `text`.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& text);
// The lines of `text`, each split at its tabs (a line ending in a tab ends
// in an empty field).
std::vector<std::vector<std::string>> TabSeparatedLines(const std::string& text);
// The permission bits of the file or folder at `path`; fails the test when
// it does not exist.
mode_t FileMode(const std::string& path);
// The id of a child process that has ended and been waited for.
pid_t EndedProcess();

// Overwrites the first page of `table_or_index` in the store at `path` with
// zeros, as a failing disk might; the store must be closed.
void ZeroPageOf(const std::string& path, const std::string& table_or_index);
// The first column of the first row of `sql` as an integer, -1 without rows.
std::int64_t CountOf(const Database& db, const std::string& sql);
// Every row of `sql` on the database at `location`, opened read-only: its
// first `columns` columns joined by "|", NULL written as "-".
std::vector<std::string> RowsOf(const std::string& location, const std::string& sql, int columns);
// Adds a chain of folders, each inside the one before, from the level below
// `parent` (a folder at level 1; 0 for the top level) down to level
// `deepest`: the folder at level L has id 1000 + L, entry identifier "C<L>"
// and name "Level <L>".
void AddFolderChain(const Database& db, std::int64_t parent, int deepest);

// Whether another program could copy the whole log back into the store
// file and empty it now, without waiting: not while some connection still
// reads a snapshot older than the log's end.
bool CanCheckpointFully(const std::string& path);

// The host::Error that `call` throws; fails the test naming `what` (and
// yields error 0) when it throws none.
template <class Call>
host::Error ThrownError(Call&& call, const std::string& what = "the call") {
  try {
    call();
  } catch (const host::Error& error) {
    return error;
  }
  ADD_FAILURE() << what << " did not fail";
  return host::Error(0, "");
}

// Text user properties of an item, in the order they are added.
using TextProperties = std::vector<std::pair<std::string, std::string>>;

// A new store with store identifier kStoreId. Folders get the entry
// identifiers "F1", "F2", ... and items "E1", "E2", ... in the order added.
class TestStore {
 public:
  static constexpr char kStoreId[] = "STORE-0001";

  explicit TestStore(const std::string& path, const std::string& outlook_version = "16.0.0.0");

  // Adds a folder below `parent` (0: a top-level folder); yields its id.
  std::int64_t AddFolder(const std::string& name, std::int64_t parent = 0,
                         const std::string& default_message_class = "IPM.Post");
  // Adds an item with text user properties; yields its id.
  std::int64_t AddItem(std::int64_t folder, const std::string& message_class,
                       const TextProperties& properties = {}, const std::string& subject = "");
  // Sets (adding or changing) a text property directly in the store.
  void SetText(std::int64_t item, const std::string& name, const std::string& value);

  static std::string FolderEntryId(std::int64_t folder) { return std::string("F").append(std::to_string(folder)); }
  static std::string EntryId(std::int64_t item) { return std::string("E").append(std::to_string(item)); }

  // The stored property as text, or nullopt when the item has none.
  std::optional<std::string> Text(std::int64_t item, const std::string& name);
  // The stored type name of a property ("text", "integer", ...), or "".
  std::string TypeOf(std::int64_t item, const std::string& name);
  // An items column of the item as text ("" for NULL).
  std::string Column(std::int64_t item, const std::string& column);
  // The id of the item with that entry identifier, or 0 when there is none.
  std::int64_t IdOf(const std::string& entry_id);
  // Whether the store holds the item, and the number of items in a folder.
  bool Exists(std::int64_t item);
  int ItemCount(std::int64_t folder);
  // Property rows whose folder differs from their item's folder.
  int MisfiledProperties();

  Database& db() { return *db_; }

 private:
  std::int64_t FolderOf(std::int64_t item);
  std::unique_ptr<Database> db_;
};

}  // namespace store::testing
