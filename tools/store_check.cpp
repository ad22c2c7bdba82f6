#include "tools/store_check.h"

#include <cstdint>
#include <exception>
#include <string>

#include "host/store/dialect.h"
#include "host/store/journal_damage.h"
#include "host/store/schema.h"

namespace storetool {
namespace {

constexpr int kMaxPerKind = 100;

// Whether `v` (SQL) is an upper-case hexadecimal identifier.
std::string IsId(const std::string& v) {
  return "(typeof(" + v + ") = 'text' AND " + v + " <> '' AND trim(" + v + ", '0123456789ABCDEF') = '')";
}

// Whether `v` (SQL) is a time as the store keeps it, in the engine's words.
std::string IsTime(const store::Dialect& dialect, const std::string& v) {
  std::string sql = dialect.is_time;
  for (std::size_t at = sql.find('@'); at != std::string::npos; at = sql.find('@', at + v.size())) {
    sql.replace(at, 1, v);
  }
  return sql;
}

// Each statement yields one line of text per problem of its kind. The
// messages are written with format's %s, which both engines have.
std::vector<std::string> Checks(const store::Dialect& d) {
  const std::string value_type = std::string("(") + d.value_type + ")";
  const std::string number = d.number_value;
  return {
      "SELECT format('the store table has %s rows; it must have exactly one', count(*)) FROM store "
      "HAVING count(*) <> 1",
      "SELECT format('there are %s top-level folders named \"Account Profiles\"; there must be exactly one', "
      "count(*)) FROM folders WHERE parent IS NULL AND name = 'Account Profiles' HAVING count(*) <> 1",
      "SELECT format('store identifier %s is not upper-case hexadecimal', quote(store_id)) FROM store "
      "WHERE NOT " + IsId("store_id"),
      "SELECT format('folder %s: its entry ID is not upper-case hexadecimal', quote(entry_id)) FROM folders "
      "WHERE NOT " + IsId("entry_id"),
      "SELECT format('item %s: its entry ID is not upper-case hexadecimal', quote(entry_id)) FROM items "
      "WHERE NOT " + IsId("entry_id"),
      "SELECT format('entry ID %s belongs to a folder and to an item', f.entry_id) "
      "FROM folders AS f JOIN items AS i ON i.entry_id = f.entry_id",
      "WITH RECURSIVE reached(id) AS (SELECT id FROM folders WHERE parent IS NULL "
      "UNION SELECT f.id FROM folders AS f JOIN reached AS r ON f.parent = r.id) "
      "SELECT format('folder %s (%s) cannot be reached from a top-level folder', entry_id, quote(name)) "
      "FROM folders WHERE id NOT IN (SELECT id FROM reached)",
      "SELECT format('item %s, property %s: its folder %s is not the item''s folder %s', "
      "i.entry_id, quote(p.name), p.folder, i.folder) "
      "FROM properties AS p JOIN items AS i ON i.id = p.item WHERE p.folder <> i.folder",
      "SELECT format('item %s, property %s: %s is not a valid %s value', i.entry_id, quote(p.name), "
      "quote(p.value), p.type) FROM properties AS p JOIN items AS i ON i.id = p.item WHERE NOT ("
      "(p.type = 'text' AND " + value_type + " = 'text') OR "
      "(p.type = 'integer' AND " + value_type + " = 'integer' AND p." + number +
          " BETWEEN -2147483648 AND 2147483647) OR "
      "(p.type = 'boolean' AND " + value_type + " = 'integer' AND p." + number + " IN (0, 1)) OR "
      "(p.type = 'time' AND " + IsTime(d, "p.value") + "))",
      "SELECT format('item %s: time_sent %s is not a valid time', entry_id, quote(time_sent)) FROM items "
      "WHERE time_sent IS NOT NULL AND NOT " + IsTime(d, "time_sent"),
      "SELECT format('item %s: time_received %s is not a valid time', entry_id, quote(time_received)) "
      "FROM items WHERE time_received IS NOT NULL AND NOT " + IsTime(d, "time_received"),
      "SELECT format('item %s: sent, unread and submitted must each be 0 or 1, not %s, %s, %s', entry_id, "
      "quote(sent), quote(unread), quote(submitted)) FROM items "
      "WHERE sent NOT IN (0, 1) OR unread NOT IN (0, 1) OR submitted NOT IN (0, 1)",
  };
}

// What only a file can hold wrong: its pages and links, listed first, and
// text that is not UTF-8 (a server takes no such text), listed last.
constexpr const char* kFileChecks[] = {
    "SELECT 'file: ' || integrity_check FROM pragma_integrity_check WHERE integrity_check <> 'ok'",
    "SELECT printf('a row of %s refers to a missing row of %s', \"table\", parent) "
    "FROM pragma_foreign_key_check",
};
constexpr const char* kTextChecks[] = {
    "SELECT 'the store''s mail-client version is not valid UTF-8' FROM store "
    "WHERE NOT is_utf8(outlook_version)",
    "SELECT printf('folder %s: its %s is not valid UTF-8', entry_id, member) FROM ("
    "SELECT id, entry_id, 'name' AS member, name AS text FROM folders UNION ALL "
    "SELECT id, entry_id, 'default message class', default_message_class FROM folders) "
    "WHERE NOT is_utf8(text) ORDER BY id",
    "SELECT printf('item %s: its %s is not valid UTF-8', entry_id, member) FROM ("
    "SELECT id, 1 AS rank, entry_id, 'message class' AS member, message_class AS text FROM items UNION ALL "
    "SELECT id, 2, entry_id, 'subject', subject FROM items UNION ALL "
    "SELECT id, 3, entry_id, 'body', body FROM items UNION ALL "
    "SELECT id, 4, entry_id, 'company name', company_name FROM items) "
    "WHERE NOT is_utf8(text) ORDER BY id, rank",
    "SELECT printf('item %s: property name %s is not valid UTF-8', i.entry_id, quote(CAST(p.name AS BLOB))) "
    "FROM properties AS p JOIN items AS i ON i.id = p.item WHERE NOT is_utf8(p.name)",
    "SELECT printf('item %s, property %s: its text is not valid UTF-8', i.entry_id, quote(p.name)) "
    "FROM properties AS p JOIN items AS i ON i.id = p.item WHERE is_utf8(p.name) AND NOT is_utf8(p.value)",
};

// The journal (layout 3 on), besides the damage that keeps undo from taking
// a run back (store::JournalDamageOf): runs with a start time and a
// number or nothing as their status, changes of existing folders inside
// their run's range, created items that exist and deleted ones that do
// not, unless a later change says why.
std::vector<std::string> JournalChecks(const store::Dialect& d) {
  return {
      std::string("SELECT format('journal: run %s: start time %s is not a time', run_id, quote(started)) FROM runs "
                  "WHERE ") + d.run_age_seconds + " IS NULL",
      "SELECT format('journal: run %s: status %s is not a number', run_id, quote(status)) FROM runs "
      "WHERE status IS NOT NULL AND typeof(status) <> 'integer'",
      "SELECT format('journal: change %s of item %s names folder %s, which does not exist', id, entry_id, folder) "
      "FROM changes WHERE folder NOT IN (SELECT id FROM folders)",
      "SELECT format('journal: change %s of item %s belongs to no run', id, entry_id) FROM changes "
      "WHERE run NOT IN (SELECT id FROM runs)",
      "SELECT format('journal: change %s of item %s lies outside the changes of run %s', c.id, c.entry_id, "
      "r.run_id) FROM changes AS c JOIN runs AS r ON r.id = c.run WHERE c.id < r.first_change OR c.id > r.last_change",
      "SELECT format('journal: run %s created item %s, which is gone with no journaled deletion', r.run_id, "
      "c.entry_id) FROM changes AS c JOIN runs AS r ON r.id = c.run WHERE c.kind = 'created' "
      "AND NOT EXISTS (SELECT 1 FROM items WHERE entry_id = c.entry_id) AND NOT EXISTS (SELECT 1 FROM changes "
      "AS d WHERE d.entry_id = c.entry_id AND d.id > c.id AND d.kind = 'deleted') ORDER BY c.id",
      "SELECT format('journal: run %s deleted item %s, which exists with no journaled creation', r.run_id, "
      "c.entry_id) FROM changes AS c JOIN runs AS r ON r.id = c.run WHERE c.kind = 'deleted' "
      "AND EXISTS (SELECT 1 FROM items WHERE entry_id = c.entry_id) AND NOT EXISTS (SELECT 1 FROM changes "
      "AS d WHERE d.entry_id = c.entry_id AND d.id > c.id AND d.kind = 'created') ORDER BY c.id",
  };
}

// Folders nest at most kMaxFolderDepth levels: one line for each folder one
// level deeper, the top of a subtree that is too deep. The levels are
// counted by the engine, row by row, so no chain of folders is too long for it.
constexpr char kDepthCheck[] =
    "WITH RECURSIVE tree(id, level) AS (SELECT id, 1 FROM folders WHERE parent IS NULL UNION ALL "
    "SELECT f.id, t.level + 1 FROM folders AS f JOIN tree AS t ON f.parent = t.id WHERE t.level <= ?1) "
    "SELECT format('folder %s (%s) nests deeper than %s levels', f.entry_id, quote(f.name), ?1) "
    "FROM tree JOIN folders AS f USING (id) WHERE tree.level > ?1 ORDER BY f.id";

// Adds each line that `select` yields after `prefix`.
void RunCheck(store::Statement& select, const std::string& prefix, std::vector<std::string>& problems) {
  int count = 0;
  while (select.Step()) {
    if (++count > kMaxPerKind) {
      problems.push_back("(more problems of this kind are not listed)");
      return;
    }
    problems.push_back(prefix + select.Text(0));
  }
}

void AddJournalDamage(const store::Database& db, std::vector<std::string>& problems) {
  try {
    int kind = -1;
    int count = 0;
    for (const store::JournalDamage& damage : store::JournalDamageOf(db)) {
      count = damage.kind == kind ? count + 1 : 1;
      kind = damage.kind;
      if (count <= kMaxPerKind) problems.push_back("journal: " + damage.text);
      if (count == kMaxPerKind + 1) problems.push_back("(more problems of this kind are not listed)");
    }
  } catch (const std::exception& error) {
    problems.push_back(std::string("cannot check: ") + error.what());
  }
}

}  // namespace

std::vector<std::string> CheckStore(const store::Database& db) {
  std::vector<std::string> problems;
  const auto check = [&](const char* sql, auto&& bind, const std::string& prefix = "") {
    try {
      store::Statement select(db, sql);
      bind(select);
      RunCheck(select, prefix, problems);
    } catch (const std::exception& error) {
      problems.push_back(std::string("cannot check: ") + error.what());
    }
  };
  const auto unbound = [](store::Statement&) {};
  const bool file = db.dialect().checks_file;
  if (file) {
    for (const char* sql : kFileChecks) check(sql, unbound);
  }
  for (const std::string& sql : Checks(db.dialect())) check(sql.c_str(), unbound);
  if (file) {
    for (const char* sql : kTextChecks) check(sql, unbound);
  }
  if (store::HasJournal(db)) {
    AddJournalDamage(db, problems);
    for (const std::string& sql : JournalChecks(db.dialect())) check(sql.c_str(), unbound);
  }
  check(kDepthCheck, [](store::Statement& select) { select.Bind(1, std::int64_t{store::kMaxFolderDepth}); });
  return problems;
}

}  // namespace storetool
