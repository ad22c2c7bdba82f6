#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The statements Update sends to the reports database. Names are written
// between the engine's identifier quotes; values and the key are bound
// parameters (`?`), so no text of the CRM ever becomes part of a statement.
namespace reports {

// `name` between two `quote`s with each quote inside doubled; `name`
// unchanged when the engine has no identifier quote (`quote` empty).
std::string QuotedName(std::string_view name, std::string_view quote);

// The query that lists the schema table of the folder table `table`:
// its FieldName column in ascending order.
std::string SchemaQuery(std::string_view table, std::string_view quote);

// A statement and the values bound to its `?`s, in order.
struct BoundStatement {
  std::string text;
  std::vector<std::optional<std::string>> values;
};

// The assignments of one folder table's update, in the order added.
class SetList {
 public:
  explicit SetList(std::string quote) : quote_(std::move(quote)) {}

  // Adds the assignment of `value` to the column `name`.
  void Add(std::string_view name, std::string value);

  bool empty() const { return values_.empty(); }
  int size() const { return static_cast<int>(values_.size()); }
  const std::string& quote() const { return quote_; }
  // "Set C1 = ?, C2 = ?", or "" without assignments.
  const std::string& text() const { return text_; }
  const std::vector<std::optional<std::string>>& values() const { return values_; }

 private:
  std::string quote_;
  std::string text_;
  std::vector<std::optional<std::string>> values_;
};

// The update of the folder table `table`: its set list, for a contact
// folder the COMPANY column set to `company`, and the rows whose column
// `key_column` holds `key`. Without assignments the statement is still
// made, as the engine will refuse it.
BoundStatement UpdateStatement(std::string_view table, const SetList& set_list,
                               const std::optional<std::string>& company,
                               std::string_view key_column, const std::string& key);

}  // namespace reports
