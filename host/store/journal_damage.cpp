#include "host/store/journal_damage.h"

#include "host/store/journal.h"

namespace store {
namespace {

// SQL: whether a journaled value of JSON type `kind` and SQL value `value`
// (the JSON text of an object) is one that a property of the type named by
// `type` holds, as StoredValue and JournalText keep it; 0 rather than NULL.
// SQLite may evaluate a JSON function before the condition beside it, so
// only an object ever reaches one.
std::string IsKeptValue(const std::string& type, const std::string& kind, const std::string& value) {
  const std::string object = "iif(" + kind + " = 'object', " + value + ", NULL)";
  const std::string bytes = "json_extract(" + object + ", '$.bytes')";
  return "ifnull(CASE " + type + " WHEN 'text' THEN " + kind + " = 'text' OR (json_type(" + object +
         ", '$.bytes') = 'text' AND length(" + bytes + ") % 2 = 0 AND " + bytes +
         " NOT GLOB '*[^0-9A-F]*') WHEN 'integer' THEN " + kind + " = 'integer' AND " + value +
         " BETWEEN -2147483648 AND 2147483647 WHEN 'boolean' THEN " + kind + " = 'integer' AND " + value +
         " IN (0, 1) WHEN 'time' THEN " + kind + " = 'text' AND datetime(julianday(" + value + ")) IS " + value +
         " ELSE 0 END, 0)";
}

// The kind of value each journaled column holds; the times may be null.
constexpr char kColumnTypes[] =
    "WITH t(name, type) AS (VALUES ('subject', 'text'), ('body', 'text'), ('company_name', 'text'), "
    "('time_sent', 'time'), ('time_received', 'time'), ('sent', 'boolean'), ('unread', 'boolean'), "
    "('submitted', 'boolean')) ";

}  // namespace

std::vector<std::string> JournalDamageChecks(std::string_view runs_view, std::string_view changes_view) {
  const std::string runs(runs_view);
  const std::string changes(changes_view);
  // A before-image that is JSON and a property kept as an array, else NULL,
  // which no JSON function minds.
  const std::string before = "iif(json_valid(c.before), c.before, NULL)";
  const std::string array = "iif(p.type = 'array', p.value, NULL)";
  return {
      "SELECT printf('run %s: its first change %d lies after its last %d', run_id, first_change, last_change) "
      "FROM " + runs + " AS r WHERE first_change > last_change + 1",
      "SELECT printf('change %d of item %s: its before-image or new values are not a JSON object', id, entry_id) "
      "FROM " + changes + " AS c WHERE NOT (json_valid(before) AND json_valid(after) AND is_utf8(before) "
      "AND is_utf8(after)) OR json_type(iif(json_valid(before), before, '{}')) <> 'object' "
      "OR json_type(iif(json_valid(after), after, '{}')) <> 'object'",
      "SELECT printf('change %d deleted item %s without keeping it whole', id, entry_id) FROM " + changes +
          " AS c WHERE kind = 'deleted' AND json_valid(before) AND (NOT " +
          IsKeptValue("'text'", "json_type(" + before + ", '$.message_class')",
                      "json_extract(" + before + ", '$.message_class')") +
          " OR json_type(" + before + ", '$.columns') IS NOT 'object' OR json_type(" + before +
          ", '$.properties') IS NOT 'object')",
      "SELECT printf('change %d of item %s: property %s is kept as %s, not [type, value] or null', "
      "c.id, c.entry_id, quote(p.key), p.value) FROM " + changes + " AS c, json_each(" + before +
          ", '$.properties') AS p WHERE p.type <> 'null' AND (p.type <> 'array' OR json_array_length(" + array +
          ") <> 2 OR json_extract(" + array + ", '$[0]') NOT IN ('text', 'integer', 'boolean', 'time'))",
      "SELECT printf('change %d of item %s: property %s is kept as %s, not a valid %s value', c.id, c.entry_id, "
      "quote(p.key), quote(json_extract(p.value, '$[1]')), json_extract(p.value, '$[0]')) FROM " + changes +
          " AS c, json_each(" + before + ", '$.properties') AS p WHERE p.type = 'array' AND json_array_length(" +
          array + ") = 2 AND NOT " +
          IsKeptValue("json_extract(" + array + ", '$[0]')", "json_type(" + array + ", '$[1]')",
                      "json_extract(" + array + ", '$[1]')"),
      "SELECT printf('change %d of item %s: %s is not a column of an item', c.id, c.entry_id, quote(k.key)) FROM " +
          changes + " AS c, json_each(" + before + ", '$.columns') AS k WHERE k.key NOT IN ('subject', 'body', "
          "'company_name', 'time_sent', 'time_received', 'sent', 'unread', 'submitted')",
      std::string(kColumnTypes) +
          "SELECT printf('change %d of item %s: column %s is kept as %s, not a valid %s value', c.id, c.entry_id, "
          "quote(k.key), quote(k.value), t.type) FROM " + changes + " AS c, json_each(" + before +
          ", '$.columns') AS k JOIN t ON t.name = k.key WHERE NOT (k.type = 'null' AND t.type = 'time') AND NOT " +
          IsKeptValue("t.type", "k.type", "k.value"),
  };
}

std::optional<std::string> DamageOfRun(const Database& db, std::int64_t run) {
  static const std::vector<std::string> checks = JournalDamageChecks(
      "(SELECT * FROM runs WHERE id = ?1)", std::string("(SELECT * FROM changes WHERE ") + kChangesOfRun + ")");
  for (const std::string& sql : checks) {
    Statement check(db, sql.c_str());
    check.Bind(1, run);
    if (check.Step()) return check.Text(0);
  }
  return std::nullopt;
}

}  // namespace store
