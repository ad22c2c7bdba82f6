#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// What the Update benchmark reads from the store before it times anything,
// and how it fills and checks the reports database, all with plain SQLite.
namespace bench {

// A folder below "Account Profiles" and the folders below it, in the
// store's order, which is the order the folder walk visits them in.
struct ReportFolder {
  std::string name;
  bool contact = false;  // its default message class starts with IPM.CONT
  std::vector<ReportFolder> children;
};

// Appends " ID" to the name of every folder below "Account Profiles" whose
// name another folder there shares, whatever the ASCII case, so that every
// folder has a table of its own in the reports database.
void GiveFoldersOwnNames(const std::string& store_path);

// Removes from the store every folder below "Account Profiles" after the
// first `folders` in the order the folder walk visits them, with their items,
// so that the walk visits only those (all of them when there are fewer).
void KeepFirstFolders(const std::string& store_path, std::int64_t folders);

// The folders directly below "Account Profiles". Fails when there is none.
std::vector<ReportFolder> ReadFolderTree(const std::string& store_path);

// Counts of a folder tree: what one Update over it does.
struct WalkCounts {
  std::int64_t folders = 0;
  std::int64_t levels = 0;  // the top level and one per folder with subfolders
  bool operator==(const WalkCounts&) const = default;
};
WalkCounts CountWalk(const std::vector<ReportFolder>& tree);

// The account whose fields Update copies: its key, its item in "Account
// Profiles" and the values of the four account fields, in the order of the
// fixed field list.
struct UpdateAccount {
  std::string key;
  std::string entry_id;
  std::vector<std::pair<std::string, std::string>> fields;
};

// The field whose value a contact table's COMPANY takes.
inline constexpr char kAccountNameField[] = "Account Name";
const std::string& AccountName(const UpdateAccount& account);

// Reads the account item of `key` with its four fields. Fails when the
// store has no such item or it lacks one of the fields.
UpdateAccount ReadUpdateAccount(const std::string& store_path, const std::string& key);

// The rows of `account.key` in all folder tables.
struct KeyRows {
  std::int64_t rows = 0;     // rows whose AccountID is the key
  std::int64_t current = 0;  // of those, rows holding all of the account's values
};

// The number of folder tables: folders of one name share a table.
std::int64_t CountTables(const std::vector<ReportFolder>& tree);

// Sets the account's rows in every folder table to values that are out of
// date, so that an Update has something to change, and adds rows of other
// accounts to every table until it holds `rows_per_table` rows.
void FillReports(const std::string& reports_path, const std::vector<ReportFolder>& tree,
                         const UpdateAccount& account, std::int64_t rows_per_table);

// For each folder table, a query of two columns, key_rows and
// current_rows: the account's rows, and those that hold the account's
// values (and its name as COMPANY in a contact table). The values are
// written in as literals: SQL that SQLite and PostgreSQL both run.
std::vector<std::string> KeyRowQueries(const std::vector<ReportFolder>& tree, const UpdateAccount& account);

// Runs KeyRowQueries on the SQLite reports database at `reports_path`.
KeyRows CountKeyRows(const std::string& reports_path, const std::vector<ReportFolder>& tree,
                     const UpdateAccount& account);

}  // namespace bench
