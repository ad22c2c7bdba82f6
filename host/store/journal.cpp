#include "host/store/journal.h"

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <vector>

#include "host/store/dialect.h"
#include "host/store/store_rows.h"
#include "host/store/store_session.h"
#include "host/utf8.h"

namespace store {

using nlohmann::json;

void Journal::Restart(RunRecord run) {
  run_ = std::move(run);
  run_row_ = 0;
  journaled_ = false;
}

std::int64_t Journal::RunRow(StoreSession& session) {
  if (run_row_ != 0) return run_row_;
  session
      .Prepare("INSERT INTO runs (run_id, started, \"user\", command, first_change) "
               "VALUES (?, ?, ?, ?, (SELECT COALESCE(max(id), 0) + 1 FROM changes)) ON CONFLICT (run_id) DO NOTHING")
      ->Bind(1, run_.id)
      .Bind(2, run_.started)
      .Bind(3, run_.user)
      .Bind(4, run_.command)
      .Run();
  auto row = session.Prepare("SELECT id FROM runs WHERE run_id = ?");
  row->Bind(1, run_.id).Step();
  run_row_ = row->Int(0);
  return run_row_;
}

namespace {

constexpr char kInsertChanges[] = "INSERT INTO changes (run, kind, item, entry_id, folder, before, after) ";
constexpr int kChangeColumns = 7;
// Rows of one statement that adds many: well within both engines' limits on
// parameters.
constexpr std::size_t kChangesPerStatement = 500;

// Binds one change as the columns of kInsertChanges from `first` on.
void BindChange(Statement& insert, int first, std::int64_t run, const char* kind, const ItemRow& item,
                const std::string& before, const std::string& after) {
  insert.Bind(first, run)
      .Bind(first + 1, kind)
      .Bind(first + 2, item.id)
      .BindUnowned(first + 3, item.entry_id)
      .Bind(first + 4, item.folder)
      .BindUnowned(first + 5, before)
      .BindUnowned(first + 6, after);
}

}  // namespace

void Journal::Add(StoreSession& session, const ItemRow& item, const char* kind, const std::string& before,
                  const std::string& after) {
  const std::int64_t run = RunRow(session);
  static const std::string sql = kInsertChanges + ValuesRows(1, kChangeColumns);
  auto insert = session.Prepare(sql);
  BindChange(*insert, 1, run, kind, item, before, after);
  insert->RunAhead();
  journaled_ = true;
}

void Journal::AddChanges(StoreSession& session, const std::vector<Entry>& entries) {
  const std::int64_t run = RunRow(session);
  for (std::size_t first = 0; first < entries.size(); first += kChangesPerStatement) {
    const std::size_t rows = std::min(kChangesPerStatement, entries.size() - first);
    auto insert = session.Prepare(kInsertChanges + ValuesRows(rows, kChangeColumns));
    for (std::size_t row = 0; row < rows; ++row) {
      const Entry& entry = entries[first + row];
      BindChange(*insert, 1 + static_cast<int>(row) * kChangeColumns, run, entry.kind, *entry.item, entry.before,
                 entry.after);
    }
    insert->RunAhead();
    journaled_ = true;
  }
}

namespace {

// A property as the journal keeps it, [TYPE, VALUE], from the statement's
// columns `type` and `type` + 1. A type is one of four plain words.
void AppendTypedValue(std::string& out, const Statement& statement, int type) {
  out += "[\"";
  out += statement.TextView(type);
  out += "\",";
  AppendStoredValue(out, statement, type + 1);
  out += ']';
}

// Reads ahead the properties of an item whose hold was just read ahead,
// each value's kind kept where the engine needs it.
StoreSession::Lease ReadHeldProperties(StoreSession& session, std::int64_t item) {
  auto properties = session.Prepare(std::string("SELECT name, type, value") +
                                    session.Db().dialect().value_kind_column + " FROM properties WHERE item = ?");
  properties->Bind(1, item).ReadAhead();
  return properties;
}

// Holds the item bound as ?1 (HoldItem) and reads 1 and the item columns
// named: one row, none when the item is not there. Holding and reading in
// one statement spares a round trip per item on a server; a read of another
// table must be a statement of its own, begun once the hold is granted, to
// see what a run that held the item before committed: it is read ahead
// (ReadHeldProperties), so that both come back in one round trip.
std::string HoldingReadSql(const Dialect& dialect, const std::vector<std::string_view>& columns) {
  std::string sql = "SELECT 1";
  for (const std::string_view column : columns) {
    sql += ", ";
    sql += column;
  }
  sql += " FROM items WHERE id = ?1";
  sql += dialect.hold_item;
  return sql;
}

// The value before the change of the one of the `changed` properties that
// the row of the item's properties names in its column `name` (its type and
// value follow); whether the row is of one of them.
void KeepBefore(const Statement& properties, int name, std::vector<ChangedValue>& changed) {
  const std::string_view row_name = properties.TextView(name);
  for (ChangedValue& property : changed) {
    if (property.name != row_name) continue;
    property.before.clear();
    AppendTypedValue(property.before, properties, name + 1);
    return;
  }
}

// `"NAME":` of each journaled column, each but the first after a comma.
const std::vector<std::string>& ColumnKeys() {
  static const std::vector<std::string> keys = [] {
    std::vector<std::string> keys;
    for (const char* column : kJournaledColumns) {
      keys.push_back(std::string(keys.empty() ? "" : ",") + "\"" + column + "\":");
    }
    return keys;
  }();
  return keys;
}

// The whole item that a deletion journals, or empty when the item is not
// there; the read of its columns holds it (HoldItem) and its properties are
// read after the hold, as HoldingReadSql says.
std::string WholeItemText(StoreSession& session, const ItemRow& item) {
  static const std::vector<std::string_view> all_columns(std::begin(kJournaledColumns), std::end(kJournaledColumns));
  auto columns = session.Prepare(HoldingReadSql(session.Db().dialect(), all_columns));
  columns->Bind(1, item.id).ReadAhead();
  auto properties = ReadHeldProperties(session, item.id);
  if (!columns->Step()) return {};
  WholeItem whole(item, *columns, 1);
  while (properties->Step()) whole.AddProperty(*properties, 0);
  return std::move(whole).Text();
}

}  // namespace

WholeItem::WholeItem(const ItemRow& item, const Statement& held, int first) {
  text_ = "{\"message_class\":";
  text_.reserve(1024);
  AppendJournalText(text_, item.message_class);
  text_ += ",\"columns\":{";
  for (std::size_t i = 0; i < ColumnKeys().size(); ++i) {
    text_ += ColumnKeys()[i];
    AppendStoredValue(text_, held, first + static_cast<int>(i));
  }
  text_ += "},\"properties\":{";
}

void WholeItem::AddProperty(const Statement& properties, int name) {
  if (text_.back() != '{') text_ += ',';
  AppendJsonString(text_, properties.TextView(name));
  text_ += ':';
  AppendTypedValue(text_, properties, name + 1);
}

std::string WholeItem::Text() && { return std::move(text_) + "}}"; }

bool HoldItem(StoreSession& session, std::int64_t item) {
  return session.Prepare(HoldingReadSql(session.Db().dialect(), {}))->Bind(1, item).Step();
}

std::vector<ItemRow> HoldItems(StoreSession& session, const std::vector<std::int64_t>& items) {
  const Dialect& dialect = session.Db().dialect();
  auto held = session.Prepare(std::string(kItemColumns) + "WHERE id" + dialect.in_json_ids + dialect.hold_item);
  held->Bind(1, IdsAsJsonArray(items));
  std::vector<ItemRow> rows;
  while (held->Step()) rows.push_back(ReadItem(*held));
  return rows;
}

// A journaled deletion holds its item, which is there then, so its DELETE
// runs ahead.
bool DeleteItemRow(StoreSession& session, const ItemRow& item) {
  auto remove = session.Prepare("DELETE FROM items WHERE id = ?");
  remove->Bind(1, item.id);
  if (!session.journal().on()) {
    remove->Run();
    return session.Changes() > 0;
  }
  const std::string whole = WholeItemText(session, item);
  if (whole.empty()) return false;
  session.journal().Add(session, item, kDeleted, whole, "{}");
  remove->RunAhead();
  return true;
}

void Journal::End(StoreSession& session, int status, const Retention& retention) {
  if (run_row_ == 0 && !journaled_) return;
  session.Write("record the end of the run", [&] {
    session
        .Prepare("UPDATE runs SET status = ?1, last_change = COALESCE((SELECT max(id) FROM changes "
                 "WHERE id >= runs.first_change AND run = runs.id), first_change - 1) WHERE run_id = ?2")
        ->Bind(1, std::int64_t{status})
        .Bind(2, run_.id)
        .Run();
    PruneJournal(session.Db(), retention);
  });
}

ItemChange::ItemChange(StoreSession& session, const ItemRow& item)
    : session_(session), item_(item), on_(session.journal().on()) {}

void ItemChange::Column(const char* column, std::string after) {
  if (on_) columns_.push_back({column, "null", std::move(after)});
}

// A property the item lacks is kept as null, so taking the change back
// removes it again.
void ItemChange::Property(const std::string& name, std::string after) {
  if (on_) properties_.push_back({name, "null", std::move(after)});
}

bool ItemChange::HoldAndAdd() {
  if (!on_ || (columns_.empty() && properties_.empty())) return HoldItem(session_, item_.id);
  std::vector<std::string_view> column_names;
  for (const ChangedValue& column : columns_) column_names.push_back(column.name);
  auto held = session_.Prepare(HoldingReadSql(session_.Db().dialect(), column_names));
  held->Bind(1, item_.id).ReadAhead();
  std::optional<StoreSession::Lease> properties;
  if (!properties_.empty()) properties.emplace(ReadHeldProperties(session_, item_.id));
  if (!held->Step()) return false;
  for (std::size_t column = 0; column < columns_.size(); ++column) {
    columns_[column].before.clear();
    AppendStoredValue(columns_[column].before, *held, 1 + static_cast<int>(column));
  }
  if (properties) {
    while ((*properties)->Step()) KeepHeldProperty(**properties, 0);
  }
  session_.journal().Add(session_, item_, kChanged, Before(), After());
  return true;
}

void ItemChange::KeepHeldColumns(const Statement& held, int first) {
  for (ChangedValue& column : columns_) {
    const auto at = std::find(std::begin(kJournaledColumns), std::end(kJournaledColumns), column.name);
    column.before.clear();
    AppendStoredValue(column.before, held, first + static_cast<int>(at - std::begin(kJournaledColumns)));
  }
}

void ItemChange::KeepHeldProperty(const Statement& properties, int name) {
  KeepBefore(properties, name, properties_);
}

void ItemChange::FollowOn(const ItemChange& earlier) {
  const auto follow = [](std::vector<ChangedValue>& values, const std::vector<ChangedValue>& earlier_values) {
    for (ChangedValue& value : values) {
      for (const ChangedValue& made : earlier_values) {
        if (made.name == value.name) value.before = made.after;
      }
    }
  };
  follow(columns_, earlier.columns_);
  follow(properties_, earlier.properties_);
}

std::string ItemChange::Before() const { return ChangeText(columns_, properties_, &ChangedValue::before); }

std::string ItemChange::After() const { return ChangeText(columns_, properties_, &ChangedValue::after); }

void JournalCreated(StoreSession& session, const ItemRow& item) {
  if (!session.journal().on()) return;
  session.journal().Add(session, item, kCreated, "{}", json{{"message_class", item.message_class}}.dump());
}

json JournalText(std::string_view text) {
  if (!host::FirstInvalidUtf8(text)) return text;
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(text.size() * 2);
  for (const char c : text) {
    hex += kHex[static_cast<unsigned char>(c) >> 4];
    hex += kHex[static_cast<unsigned char>(c) & 0xF];
  }
  return {{"bytes", std::move(hex)}};
}

void AppendJournalText(std::string& out, std::string_view text) {
  if (!AppendUtf8JsonString(out, text)) out += JournalText(text).dump();
}

std::string JournaledText(const json& value) {
  if (!value.is_object()) return value.get<std::string>();
  const std::string& hex = value.at("bytes").get_ref<const std::string&>();
  if (hex.size() % 2 != 0 || hex.find_first_not_of("0123456789ABCDEF") != std::string::npos) {
    throw std::runtime_error("the journal keeps bytes as \"" + hex + "\", which is not hexadecimal");
  }
  const auto nibble = [](char digit) { return digit <= '9' ? digit - '0' : digit - 'A' + 10; };
  std::string text;
  text.reserve(hex.size() / 2);
  for (std::size_t i = 0; i < hex.size(); i += 2) text += static_cast<char>(nibble(hex[i]) * 16 + nibble(hex[i + 1]));
  return text;
}

json StoredValue(const Statement& statement, int column) {
  switch (statement.Type(column)) {
    case ColumnType::kInteger: return statement.Int(column);
    case ColumnType::kReal: return statement.Real(column);
    case ColumnType::kNull: return nullptr;
    default: return JournalText(statement.Text(column));
  }
}

// Reals take StoredValue's way.
void AppendStoredValue(std::string& out, const Statement& statement, int column) {
  switch (statement.Type(column)) {
    case ColumnType::kInteger: out += std::to_string(statement.Int(column)); return;
    case ColumnType::kNull: out += "null"; return;
    case ColumnType::kText: AppendJournalText(out, statement.TextView(column)); return;
    default: break;
  }
  out += StoredValue(statement, column).dump();
}

void BindStored(Statement& statement, int index, const json& value) {
  if (value.is_number_integer()) {
    statement.Bind(index, value.get<std::int64_t>());
  } else if (value.is_number()) {
    statement.Bind(index, value.get<double>());
  } else if (value.is_string() || value.is_object()) {
    statement.Bind(index, JournaledText(value));
  } else {
    statement.BindNull(index);
  }
}

std::pair<std::int64_t, std::string> FindRun(const Database& db, const std::string& run) {
  Statement statement(db, "SELECT id, run_id FROM runs WHERE substr(run_id, 1, length(CAST(?1 AS TEXT))) = ?1 ORDER BY id");
  statement.Bind(1, run);
  std::vector<std::pair<std::int64_t, std::string>> found;
  while (statement.Step()) found.emplace_back(statement.Int(0), statement.Text(1));
  if (found.empty() || run.empty()) throw std::runtime_error("the journal holds no run \"" + run + "\"");
  for (const auto& candidate : found) {
    if (candidate.second == run) return candidate;
  }
  if (found.size() > 1) {
    throw std::runtime_error(std::to_string(found.size()) + " runs start with \"" + run + "\"; give more of it");
  }
  return found.front();
}

// The start times carry their offset, which both engines take into account.
int PruneJournal(Database& db, const Retention& retention) {
  // A run another transaction holds (one that is pruning too, or an undo of
  // it under way) is left for a later run to prune.
  const std::string sql = std::string("SELECT id FROM runs WHERE id NOT IN (SELECT id FROM runs ORDER BY id DESC LIMIT ?1) AND ") +
                          db.dialect().run_age_seconds + " > ?2" + db.dialect().skip_rows_held;
  Statement expired(db, sql.c_str());
  expired.Bind(1, std::int64_t{retention.runs}).Bind(2, std::int64_t{retention.days} * 86400);
  std::vector<std::int64_t> runs;
  while (expired.Step()) runs.push_back(expired.Int(0));
  Statement changes(db, (std::string("DELETE FROM changes WHERE ") + kChangesOfRun).c_str());
  Statement run(db, "DELETE FROM runs WHERE id = ?");
  for (const std::int64_t id : runs) {
    changes.Bind(1, id).Run();
    changes.Reset();
    run.Bind(1, id).Run();
    run.Reset();
  }
  return static_cast<int>(runs.size());
}

}  // namespace store
