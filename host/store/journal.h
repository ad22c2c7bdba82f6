#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/store/change_text.h"
#include "host/store/run_record.h"
#include "host/store/database.h"

namespace store {

class StoreSession;
struct ItemRow;

// The kinds of change a journal row records.
inline constexpr char kChanged[] = "changed";
inline constexpr char kCreated[] = "created";
inline constexpr char kDeleted[] = "deleted";

// The journal of one session's run. Every member that writes runs inside the
// caller's write transaction, so the journal holds exactly what was done.
class Journal {
 public:
  explicit Journal(RunRecord run) : run_(std::move(run)) {}

  bool on() const { return !run_.id.empty(); }
  const RunRecord& run() const { return run_; }
  // Starts journaling another run (an item window's save is one).
  void Restart(RunRecord run);
  // Forgets what the last transaction wrote: it was rolled back.
  void Forget() { run_row_ = 0; }

  // The run's row, added on the first change it makes.
  std::int64_t RunRow(StoreSession& session);
  // Adds a change of the item with its before-image and its new values,
  // each a JSON text; run ahead, so a failure of it surfaces by the end of
  // the caller's write at the latest.
  void Add(StoreSession& session, const ItemRow& item, const char* kind, const std::string& before,
           const std::string& after);
  // Adds the changes of `entries`, each the item, its kind and its texts
  // before and after, in their order, with a few statements for all of
  // them, run ahead as Add's.
  struct Entry {
    const ItemRow* item;
    const char* kind;
    std::string before;
    std::string after;
  };
  void AddChanges(StoreSession& session, const std::vector<Entry>& entries);
  // Records the end status of the run and removes the runs `retention` no
  // longer keeps, in one transaction of `session`; nothing when this session
  // journaled nothing (a read-only store is not written to).
  void End(StoreSession& session, int status, const Retention& retention);

 private:
  RunRecord run_;
  std::int64_t run_row_ = 0;
  // Whether the run added a change, so that its end is recorded.
  bool journaled_ = false;
};

// The condition that selects the changes of the run whose row is bound to
// ?1, by the range of their ids.
inline constexpr char kChangesOfRun[] =
    "id >= (SELECT first_change FROM runs WHERE id = ?1) "
    "AND id <= COALESCE((SELECT last_change FROM runs WHERE id = ?1), 9223372036854775807) AND run = ?1";

// The before-image of one write to an existing item: the values the columns
// and properties it is about to change hold once the run holds the item,
// and what they become. Journals nothing when the session journals no run.
class ItemChange {
 public:
  ItemChange(StoreSession& session, const ItemRow& item);
  // `after` is the JSON text of the column's new value.
  void Column(const char* column, std::string after);
  // `after` is the JSON text of [TYPE, VALUE], or null when the write
  // removes the property.
  void Property(const std::string& name, std::string after);
  // Holds the item as HoldItem does and adds the change to the journal with
  // the values the item holds then (its columns read in the same statement,
  // its properties in the next); call it before the write itself. False,
  // adding nothing, when the item is not there.
  [[nodiscard]] bool HoldAndAdd();

  // For a change read with others' (HeldBackWrites): the values before it
  // of the changed columns, from the held item's row, whose columns from
  // `first` on are kJournaledColumns; and of a changed property, from a row
  // of the item's properties whose column `name` is followed by its type
  // and value.
  void KeepHeldColumns(const Statement& held, int first);
  void KeepHeldProperty(const Statement& properties, int name);
  // For a change that follows `earlier` of the same item in one write:
  // what that one changed was, before this one, what it made of it.
  void FollowOn(const ItemChange& earlier);
  // The journal's texts of the change: before it and after.
  std::string Before() const;
  std::string After() const;

 private:
  StoreSession& session_;
  const ItemRow& item_;
  bool on_;
  std::vector<ChangedValue> columns_;
  std::vector<ChangedValue> properties_;
};

// The whole of an item as the journal keeps its deletion, {"message_class":
// CLASS, "columns": {NAME: VALUE, ...}, "properties": {NAME: [TYPE, VALUE],
// ...}}, written straight from its rows (the message class, which never
// changes, from the ItemRow): a Delete journals a thousand items.
class WholeItem {
 public:
  // `held` is the item's row, its columns from `first` on kJournaledColumns.
  WholeItem(const ItemRow& item, const Statement& held, int first);
  // A row of the item's properties whose column `name` is followed by its
  // type and value.
  void AddProperty(const Statement& properties, int name);
  std::string Text() &&;

 private:
  std::string text_;
};

// Whether the item (row `item`) is still there, waiting first, where runs
// write side by side, until the run holds it to its end. A journaled change
// of an item is read and added only then: another run's change of it lies
// wholly before this one's in the journal (that run committed first) or
// wholly after (it waited for this run's end), so the journal orders an
// item's changes as their runs committed, whatever ids runs side by side
// drew meanwhile.
bool HoldItem(StoreSession& session, std::int64_t item);
// HoldItem for many items in one statement: the rows of those there, read
// once held.
std::vector<ItemRow> HoldItems(StoreSession& session, const std::vector<std::int64_t>& items);
// Journals a new item; call it after its row is added.
void JournalCreated(StoreSession& session, const ItemRow& item);
// Deletes the item's row and its properties, and journals the whole of it
// (its columns, message class and properties) when the session journals a
// run. False when the item is not there.
bool DeleteItemRow(StoreSession& session, const ItemRow& item);

// A text as the journal keeps it: a JSON string when it is UTF-8, else
// {"bytes": "HEX"}, every byte of it in upper-case hexadecimal. No text is
// kept as an object, so the two never meet.
nlohmann::json JournalText(std::string_view text);
// Appends JournalText's JSON text; UTF-8 text in one pass.
void AppendJournalText(std::string& out, std::string_view text);
// The bytes of a text the journal keeps either way. Throws nlohmann's
// exceptions for any other value, std::runtime_error for bytes that are not
// upper-case hexadecimal.
std::string JournaledText(const nlohmann::json& value);

// A stored value as the journal keeps it, and back.
nlohmann::json StoredValue(const Statement& statement, int column);
// Appends StoredValue's JSON text.
void AppendStoredValue(std::string& out, const Statement& statement, int column);
void BindStored(Statement& statement, int index, const nlohmann::json& value);

// The journal's row and full identifier of the run whose identifier is
// `run`, or else starts with it. Throws std::runtime_error when no run or
// several runs match.
std::pair<std::int64_t, std::string> FindRun(const Database& db, const std::string& run);

// Removes the runs that `retention` no longer keeps, inside the caller's
// transaction, and yields how many.
int PruneJournal(Database& db, const Retention& retention);

// The item columns the journal records, in the order of the items table
// (a deletion's journal row names them too).
inline constexpr const char* kJournaledColumns[] = {
    "subject", "body", "company_name", "time_sent", "time_received", "sent", "unread", "submitted"};

}  // namespace store
