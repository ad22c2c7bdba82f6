#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "host/store/database.h"

namespace storetool {

// One run in the journal.
struct JournalRun {
  std::int64_t row = 0;
  std::string id;
  std::string started;
  std::string user;
  std::string command;
  std::optional<int> status;  // nullopt: the run never ended (it was killed)
};

// What a run did to one item: its kind (created outranks deleted, deleted
// outranks changed), and for each field the value before the run's first
// change and after its last ("(none)" where there was none), as text.
struct TouchedItem {
  std::string entry_id;
  std::int64_t folder = 0;
  std::string folder_path;
  std::string kind;
  std::string subject;  // of a deleted item
  struct Field {
    std::string name;
    std::string before;
    std::string after;
  };
  std::vector<Field> fields;
};

// How many items a run changed, deleted and created.
struct RunCounts {
  std::size_t changed = 0, deleted = 0, created = 0;
};

// The runs, newest first; empty for a store without a journal.
std::vector<JournalRun> JournalRuns(const store::Database& db);

// Every item the run touched, in the order it first touched them.
std::vector<TouchedItem> ItemsOfRun(const store::Database& db, std::int64_t run_row);
RunCounts CountItems(const std::vector<TouchedItem>& items);

// `quorvia-store history`: one line per run, tab-separated: identifier,
// start time, user, status ("unfinished" for a run that never ended), the
// counts and the command.
void WriteHistory(const store::Database& db, std::ostream& out);
// `quorvia-store history RUN`: the run, then one line per item: folder
// path, entry identifier, kind and the changes (name: old -> new).
void WriteRun(const store::Database& db, const std::string& id, std::ostream& out);

// "N changed, N deleted, N created".
std::string CountsText(const RunCounts& counts);

}  // namespace storetool
