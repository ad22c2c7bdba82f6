#include "tools/journal_report.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string_view>
#include <unordered_map>

#include <nlohmann/json.hpp>

#include "host/store/journal.h"
#include "host/store/schema.h"
#include "host/utf8.h"
#include "tools/store_listing.h"

namespace storetool {
namespace {

using nlohmann::json;

constexpr char kNone[] = "(none)";

// The folder's path; an item deleted with its folder names none.
std::string PathOrRemoved(const FolderPaths& paths, std::int64_t folder) {
  std::string path = paths.Path(folder);
  return path.empty() ? "(a removed folder)" : path;
}

// A text in JSON's quotes and escapes, each byte that is not UTF-8 as \xHH
// (an escape JSON does not have, so no text shows the same).
std::string ShownText(std::string_view text) {
  std::string shown = "\"";
  while (true) {
    const std::size_t valid = host::FirstInvalidUtf8(text).value_or(text.size());
    const std::string part = json(text.substr(0, valid)).dump();
    shown.append(part, 1, part.size() - 2);
    if (valid == text.size()) break;
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(text[valid]));
    shown += hex;
    text.remove_prefix(valid + 1);
  }
  return shown + '"';
}

// A journaled value as text: a property is [type, value], a missing one null.
std::string ValueText(const json& value) {
  if (value.is_null()) return kNone;
  const json& kept = value.is_array() && value.size() == 2 ? value[1] : value;
  return kept.is_string() || kept.is_object() ? ShownText(store::JournaledText(kept)) : kept.dump();
}

int Rank(const std::string& kind) {
  if (kind == store::kCreated) return 3;
  if (kind == store::kDeleted) return 2;
  return 1;
}

// Adds one journal row's values to the item: the first before and last after.
void AddFields(TouchedItem& item, const json& before, const json& after) {
  for (const char* part : {"columns", "properties"}) {
    if (!before.contains(part) && !after.contains(part)) continue;
    const json& olds = before.value(part, json::object());
    const json& news = after.value(part, json::object());
    for (const auto& entry : news.items()) {
      const std::string& name = entry.key();
      auto field = std::find_if(item.fields.begin(), item.fields.end(), [&](const auto& f) { return f.name == name; });
      if (field == item.fields.end()) {
        item.fields.push_back({name, olds.contains(name) ? ValueText(olds[name]) : kNone, ""});
        field = item.fields.end() - 1;
      }
      field->after = ValueText(entry.value());
    }
  }
}

}  // namespace

std::vector<JournalRun> JournalRuns(const store::Database& db) {
  std::vector<JournalRun> runs;
  if (!store::HasJournal(db)) return runs;
  store::Statement select(db, "SELECT id, run_id, started, \"user\", command, status FROM runs ORDER BY id DESC");
  while (select.Step()) {
    JournalRun run{select.Int(0), select.Text(1), select.Text(2), select.Text(3), select.Text(4), std::nullopt};
    if (!select.IsNull(5)) run.status = static_cast<int>(select.Int(5));
    runs.push_back(std::move(run));
  }
  return runs;
}

std::vector<TouchedItem> ItemsOfRun(const store::Database& db, std::int64_t run_row) {
  const FolderPaths paths(db);
  std::vector<TouchedItem> items;
  std::unordered_map<std::string, std::size_t> index;
  store::Statement select(
      db, (std::string("SELECT kind, entry_id, folder, before, after FROM changes WHERE ") + store::kChangesOfRun +
           " ORDER BY id").c_str());
  select.Bind(1, run_row);
  while (select.Step()) {
    const std::string kind = select.Text(0);
    const std::string entry_id = select.Text(1);
    auto [found, added] = index.emplace(entry_id, items.size());
    if (added) items.push_back({entry_id, select.Int(2), PathOrRemoved(paths, select.Int(2)), kind, "", {}});
    TouchedItem& item = items[found->second];
    if (Rank(kind) > Rank(item.kind)) item.kind = kind;
    const json before = json::parse(select.Text(3));
    if (kind == store::kDeleted) {
      const json subject = before.value("columns", json::object()).value("subject", json(""));
      if (subject.is_string() || subject.is_object()) item.subject = store::JournaledText(subject);
    } else {
      AddFields(item, before, json::parse(select.Text(4)));
    }
  }
  return items;
}

RunCounts CountItems(const std::vector<TouchedItem>& items) {
  RunCounts counts;
  for (const TouchedItem& item : items) {
    if (item.kind == store::kCreated) ++counts.created;
    else if (item.kind == store::kDeleted) ++counts.deleted;
    else ++counts.changed;
  }
  return counts;
}

std::string CountsText(const RunCounts& counts) {
  return std::to_string(counts.changed) + " changed, " + std::to_string(counts.deleted) + " deleted, " +
         std::to_string(counts.created) + " created";
}

// The counts of every run, from one pass over the journal: an item counts
// once per run, as its highest-ranking kind.
std::unordered_map<std::int64_t, RunCounts> CountsOfRuns(const store::Database& db) {
  std::unordered_map<std::int64_t, std::unordered_map<std::string, int>> ranks;
  store::Statement select(db, "SELECT run, kind, entry_id FROM changes");
  while (select.Step()) {
    int& rank = ranks[select.Int(0)][select.Text(2)];
    rank = std::max(rank, Rank(select.Text(1)));
  }
  std::unordered_map<std::int64_t, RunCounts> counts;
  for (const auto& [run, items] : ranks) {
    RunCounts& count = counts[run];
    for (const auto& [entry_id, rank] : items) {
      (rank == 3 ? count.created : rank == 2 ? count.deleted : count.changed) += 1;
    }
  }
  return counts;
}

void WriteHistory(const store::Database& db, std::ostream& out) {
  const std::vector<JournalRun> runs = JournalRuns(db);
  if (runs.empty()) return;
  auto counts = CountsOfRuns(db);
  for (const JournalRun& run : runs) {
    out << run.id << '\t' << run.started << '\t' << run.user << '\t'
        << (run.status ? std::to_string(*run.status) : std::string("unfinished")) << '\t'
        << CountsText(counts[run.row]) << '\t' << run.command << '\n';
  }
}

void WriteRun(const store::Database& db, const std::string& id, std::ostream& out) {
  if (!store::HasJournal(db)) throw std::runtime_error("the store keeps no journal yet (layout 1 or 2)");
  const std::int64_t row = store::FindRun(db, id).first;
  JournalRun run;
  for (const JournalRun& each : JournalRuns(db)) {
    if (each.row == row) run = each;
  }
  const std::vector<TouchedItem> items = ItemsOfRun(db, row);
  out << "run\t" << run.id << "\nstarted\t" << run.started << "\nuser\t" << run.user << "\ncommand\t"
      << run.command << "\nstatus\t" << (run.status ? std::to_string(*run.status) : std::string("unfinished"))
      << "\nitems\t" << CountsText(CountItems(items)) << '\n';
  for (const TouchedItem& item : items) {
    out << item.folder_path << '\t' << item.entry_id << '\t' << item.kind;
    if (item.kind == store::kDeleted) out << '\t' << ShownText(item.subject);
    const char* separator = "\t";
    for (const TouchedItem::Field& field : item.fields) {
      out << separator << field.name << ": " << field.before << " -> " << field.after;
      separator = "; ";
    }
    out << '\n';
  }
}

}  // namespace storetool
