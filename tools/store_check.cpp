#include "tools/store_check.h"

#include <exception>

namespace storetool {
namespace {

constexpr int kMaxPerKind = 100;

#define QUORVIA_IS_TIME(v)                                                                     \
  "(typeof(" v ") = 'text' AND " v                                                             \
  " GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]' AND " \
  "datetime(julianday(" v ")) IS " v ")"
#define QUORVIA_IS_ID(v) "(typeof(" v ") = 'text' AND " v " <> '' AND " v " NOT GLOB '*[^0-9A-F]*')"

// Each statement yields one line of text per problem of its kind.
constexpr const char* kChecks[] = {
    "SELECT 'file: ' || integrity_check FROM pragma_integrity_check WHERE integrity_check <> 'ok'",
    "SELECT printf('a row of %s refers to a missing row of %s', \"table\", parent) "
    "FROM pragma_foreign_key_check",
    "SELECT printf('the store table has %d rows; it must have exactly one', count(*)) FROM store "
    "HAVING count(*) <> 1",
    "SELECT printf('there are %d top-level folders named \"Account Profiles\"; there must be exactly one', "
    "count(*)) FROM folders WHERE parent IS NULL AND name = 'Account Profiles' HAVING count(*) <> 1",
    "SELECT printf('store identifier %s is not upper-case hexadecimal', quote(store_id)) FROM store "
    "WHERE NOT " QUORVIA_IS_ID("store_id"),
    "SELECT printf('folder %s: its entry ID is not upper-case hexadecimal', quote(entry_id)) FROM folders "
    "WHERE NOT " QUORVIA_IS_ID("entry_id"),
    "SELECT printf('item %s: its entry ID is not upper-case hexadecimal', quote(entry_id)) FROM items "
    "WHERE NOT " QUORVIA_IS_ID("entry_id"),
    "SELECT printf('entry ID %s belongs to a folder and to an item', f.entry_id) "
    "FROM folders AS f JOIN items AS i ON i.entry_id = f.entry_id",
    "WITH RECURSIVE reached(id) AS (SELECT id FROM folders WHERE parent IS NULL "
    "UNION SELECT f.id FROM folders AS f JOIN reached AS r ON f.parent = r.id) "
    "SELECT printf('folder %s (%s) cannot be reached from a top-level folder', entry_id, quote(name)) "
    "FROM folders WHERE id NOT IN reached",
    "SELECT printf('item %s, property %s: its folder %d is not the item''s folder %d', "
    "i.entry_id, quote(p.name), p.folder, i.folder) "
    "FROM properties AS p JOIN items AS i ON i.id = p.item WHERE p.folder IS NOT i.folder",
    "SELECT printf('item %s, property %s: %s is not a valid %s value', i.entry_id, quote(p.name), "
    "quote(p.value), p.type) FROM properties AS p JOIN items AS i ON i.id = p.item WHERE NOT ("
    "(p.type = 'text' AND typeof(p.value) = 'text') OR "
    "(p.type = 'integer' AND typeof(p.value) = 'integer' AND p.value BETWEEN -2147483648 AND 2147483647) OR "
    "(p.type = 'boolean' AND typeof(p.value) = 'integer' AND p.value IN (0, 1)) OR "
    "(p.type = 'time' AND " QUORVIA_IS_TIME("p.value") "))",
    "SELECT printf('item %s: time_sent %s is not a valid time', entry_id, quote(time_sent)) FROM items "
    "WHERE time_sent IS NOT NULL AND NOT " QUORVIA_IS_TIME("time_sent"),
    "SELECT printf('item %s: time_received %s is not a valid time', entry_id, quote(time_received)) "
    "FROM items WHERE time_received IS NOT NULL AND NOT " QUORVIA_IS_TIME("time_received"),
    "SELECT printf('item %s: sent, unread and submitted must each be 0 or 1, not %s, %s, %s', entry_id, "
    "quote(sent), quote(unread), quote(submitted)) FROM items "
    "WHERE sent NOT IN (0, 1) OR unread NOT IN (0, 1) OR submitted NOT IN (0, 1)",
};

#undef QUORVIA_IS_TIME
#undef QUORVIA_IS_ID

void RunCheck(const store::Database& db, const char* sql, std::vector<std::string>& problems) {
  store::Statement select(db, sql);
  int count = 0;
  while (select.Step()) {
    if (++count > kMaxPerKind) {
      problems.push_back("(more problems of this kind are not listed)");
      return;
    }
    problems.push_back(select.Text(0));
  }
}

}  // namespace

std::vector<std::string> CheckStore(const store::Database& db) {
  std::vector<std::string> problems;
  for (const char* sql : kChecks) {
    try {
      RunCheck(db, sql, problems);
    } catch (const std::exception& error) {
      problems.push_back(std::string("cannot check: ") + error.what());
    }
  }
  return problems;
}

}  // namespace storetool
