#include "host/store/journal_damage.h"

#include <algorithm>
#include <cstdio>

#include <nlohmann/json.hpp>

#include "host/store/journal.h"
#include "host/utf8.h"
#include "host/value.h"

namespace store {
namespace {

// Members keep their order, so the first damage named is the first written.
using Json = nlohmann::ordered_json;

// The kinds of damage, in the order they are listed.
enum Kind { kRunRange, kNotObjects, kNotWhole, kNotTypedValue, kBadValue, kUnknownColumn, kBadColumn };

// A value as SQL's quote() writes it: text in single quotes, the others bare.
std::string Quoted(const Json& value) {
  if (value.is_null()) return "NULL";
  if (value.is_boolean()) return value.get<bool>() ? "1" : "0";
  if (value.is_number_float()) {
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", value.get<double>());
    std::string real = text;
    return real.find_first_of(".eEn") == std::string::npos ? real + ".0" : real;
  }
  if (value.is_number()) return value.dump();
  std::string text = value.is_string() ? value.get<std::string>() : value.dump();
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  return quoted + "'";
}

// A value as it reads when written into a message unquoted.
std::string Plain(const Json& value) {
  if (value.is_null()) return "";
  if (value.is_string()) return value.get<std::string>();
  return value.is_boolean() || value.is_number_float() ? Quoted(value) : value.dump();
}

// Whether `value` is one that a property or column of the type named `type`
// holds, as StoredValue and JournalText keep it.
bool IsKeptValue(const Json& type, const Json& value) {
  const std::string name = type.is_string() ? type.get<std::string>() : "";
  if (name == "text") {
    if (value.is_string()) return true;
    const auto bytes = value.is_object() ? value.find("bytes") : value.end();
    if (!value.is_object() || bytes == value.end() || !bytes->is_string()) return false;
    const std::string& hex = bytes->get_ref<const std::string&>();
    return hex.size() % 2 == 0 && hex.find_first_not_of("0123456789ABCDEF") == std::string::npos;
  }
  if (name == "integer" || name == "boolean") {
    if (!value.is_number_integer()) return false;
    const double number = value.get<double>();
    return name == "integer" ? number >= -2147483648.0 && number <= 2147483647.0 : number == 0 || number == 1;
  }
  host::LocalTime time;
  return name == "time" && value.is_string() && value.get<std::string>().size() == 19 &&
         value.get<std::string>()[10] == ' ' && host::ParseLocalTime(value.get<std::string>(), time);
}

// The members of an object, the elements of an array by their index, or a
// lone value under a null name.
std::vector<std::pair<Json, const Json*>> Members(const Json& value) {
  std::vector<std::pair<Json, const Json*>> members;
  if (value.is_object()) {
    for (const auto& [key, member] : value.items()) members.emplace_back(Json(key), &member);
  } else if (value.is_array()) {
    for (std::size_t i = 0; i < value.size(); ++i) members.emplace_back(Json(i), &value[i]);
  } else {
    members.emplace_back(Json(), &value);
  }
  return members;
}

// The text parsed once (a check reads every change of the journal): a
// discarded value when it is not UTF-8 JSON.
Json Parsed(std::string_view text) {
  if (host::FirstInvalidUtf8(text)) return Json(Json::value_t::discarded);
  return Json::parse(text, nullptr, false);
}

const Json* Member(const Json& object, const char* name) {
  if (!object.is_object()) return nullptr;
  const auto found = object.find(name);
  return found == object.end() ? nullptr : &*found;
}

void PropertyDamage(const Json& properties, const std::string& change, std::vector<JournalDamage>& found) {
  for (const auto& [key, kept] : Members(properties)) {
    if (kept->is_null()) continue;
    const std::string name = "property " + Quoted(key);
    const bool pair = kept->is_array() && kept->size() == 2;
    static const std::vector<std::string> kTypes = {"text", "integer", "boolean", "time"};
    if (!pair || !(*kept)[0].is_string() ||
        std::find(kTypes.begin(), kTypes.end(), (*kept)[0].get<std::string>()) == kTypes.end()) {
      found.push_back({kNotTypedValue, change + name + " is kept as " + Plain(*kept) + ", not [type, value] or null"});
    }
    if (pair && !IsKeptValue((*kept)[0], (*kept)[1])) {
      found.push_back({kBadValue, change + name + " is kept as " + Quoted((*kept)[1]) + ", not a valid " +
                                      Plain((*kept)[0]) + " value"});
    }
  }
}

void ColumnDamage(const Json& columns, const std::string& change, std::vector<JournalDamage>& found) {
  for (const auto& [key, kept] : Members(columns)) {
    const std::string name = key.is_string() ? key.get<std::string>() : "";
    const auto* column = std::find(std::begin(kJournaledColumns), std::end(kJournaledColumns), name);
    if (column == std::end(kJournaledColumns)) {
      found.push_back({kUnknownColumn, change + Quoted(key) + " is not a column of an item"});
      continue;
    }
    const std::size_t index = static_cast<std::size_t>(column - std::begin(kJournaledColumns));
    const Json type = index < 3 ? "text" : index < 5 ? "time" : "boolean";
    if (kept->is_null() && type == "time") continue;
    if (!IsKeptValue(type, *kept)) {
      found.push_back({kBadColumn, change + "column " + Quoted(key) + " is kept as " + Quoted(*kept) +
                                       ", not a valid " + type.get<std::string>() + " value"});
    }
  }
}

// The damage of one change, in the order found.
void ChangeDamage(std::int64_t id, std::string_view kind, const std::string& entry_id, std::string_view before_text,
                  std::string_view after_text, std::vector<JournalDamage>& found) {
  const std::string change = "change " + std::to_string(id) + " of item " + entry_id + ": ";
  const Json before = Parsed(before_text);
  if (!before.is_object() || !Parsed(after_text).is_object()) {
    found.push_back({kNotObjects, change + "its before-image or new values are not a JSON object"});
  }
  if (before.is_discarded()) return;
  const Json* message_class = Member(before, "message_class");
  const Json* columns = Member(before, "columns");
  const Json* properties = Member(before, "properties");
  if (kind == "deleted" && (message_class == nullptr || !IsKeptValue("text", *message_class) || columns == nullptr ||
                            !columns->is_object() || properties == nullptr || !properties->is_object())) {
    found.push_back({kNotWhole, "change " + std::to_string(id) + " deleted item " + entry_id +
                                    " without keeping it whole"});
  }
  if (properties != nullptr) PropertyDamage(*properties, change, found);
  if (columns != nullptr) ColumnDamage(*columns, change, found);
}

// Reads runs (id, run_id, first_change, last_change) and changes (id, kind,
// entry_id, before, after) in the order of their ids.
std::vector<JournalDamage> DamageOf(Statement& runs, Statement& changes) {
  std::vector<JournalDamage> found;
  while (runs.Step()) {
    if (runs.IsNull(3) || runs.Int(2) <= runs.Int(3) + 1) continue;
    found.push_back({kRunRange, "run " + runs.Text(1) + ": its first change " + std::to_string(runs.Int(2)) +
                                    " lies after its last " + std::to_string(runs.Int(3))});
  }
  while (changes.Step()) {
    ChangeDamage(changes.Int(0), changes.TextView(1), changes.Text(2), changes.Text(3), changes.Text(4), found);
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const JournalDamage& a, const JournalDamage& b) { return a.kind < b.kind; });
  return found;
}

constexpr char kRuns[] = "SELECT id, run_id, first_change, last_change FROM runs";
constexpr char kChanges[] = "SELECT id, kind, entry_id, before, after FROM changes";

}  // namespace

std::vector<JournalDamage> JournalDamageOf(const Database& db) {
  Statement runs(db, (std::string(kRuns) + " ORDER BY id").c_str());
  Statement changes(db, (std::string(kChanges) + " ORDER BY id").c_str());
  return DamageOf(runs, changes);
}

std::optional<std::string> DamageOfRun(const Database& db, std::int64_t run) {
  Statement runs(db, (std::string(kRuns) + " WHERE id = ?1").c_str());
  Statement changes(db, (std::string(kChanges) + " WHERE " + kChangesOfRun + " ORDER BY id").c_str());
  runs.Bind(1, run);
  changes.Bind(1, run);
  std::vector<JournalDamage> found = DamageOf(runs, changes);
  if (found.empty()) return std::nullopt;
  return found.front().text;
}

}  // namespace store
