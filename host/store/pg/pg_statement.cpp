#include "host/store/pg/pg_statement.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <memory>
#include <utility>

#include "host/error.h"
#include "host/store/pg/pg_placeholders.h"
#include "host/store/store_failure.h"
#include "host/utf8.h"

namespace store::pg {
namespace {

// The server's type numbers (pg_type.oid) that a row's columns or the
// bound parameters have; 0 leaves a parameter's type to the statement.
constexpr Oid kUnknown = 0;
constexpr Oid kBool = 16;
constexpr Oid kBytea = 17;
constexpr Oid kInt8 = 20;
constexpr Oid kInt2 = 21;
constexpr Oid kInt4 = 23;
constexpr Oid kOid = 26;
constexpr Oid kFloat4 = 700;
constexpr Oid kFloat8 = 701;
constexpr Oid kNumeric = 1700;

// Which prepared statement a run with these parameter types uses.
std::string KeyOf(const std::vector<Oid>& types, const std::string& sql) {
  std::string key;
  for (const Oid type : types) key += std::to_string(type) + ',';
  return key + '|' + sql;
}

// A number's text read as far as it is a number, as SQLite reads text.
template <class Number>
Number Parse(std::string_view text) {
  Number number{};
  std::from_chars(text.data(), text.data() + text.size(), number);
  return number;
}

// A real number as an integer, as SQLite reads one: the fraction dropped,
// beyond the integers' range their smallest or largest, NaN as 0.
std::int64_t Truncated(double number) {
  constexpr double kLimit = 9223372036854775808.0;  // 2^63
  if (number >= kLimit) return std::numeric_limits<std::int64_t>::max();
  if (number < -kLimit) return std::numeric_limits<std::int64_t>::min();
  return std::isnan(number) ? 0 : static_cast<std::int64_t>(number);
}

}  // namespace

PgStatement::PgStatement(Connection& db, std::string_view sql) : db_(db), sql_(sql) {
  Translated translated = TranslatePlaceholders(sql);
  translated_ = std::move(translated.sql);
  values_.resize(static_cast<std::size_t>(translated.parameters));
  types_.assign(values_.size(), kUnknown);
}

PgStatement::~PgStatement() {
  DropRest();
  PQclear(row_);
  if (!key_.empty()) db_.Release(key_);
}

void PgStatement::SetParameter(int index, std::optional<std::string> value, Oid type) {
  if (index < 1 || static_cast<std::size_t>(index) > values_.size()) {
    throw host::Error(kStoreError, "the CRM store " + db_.location() + ": parameter " + std::to_string(index) +
                                       " is out of range (in " + sql_ + ")");
  }
  Rewind();
  values_[static_cast<std::size_t>(index) - 1] = std::move(value);
  types_[static_cast<std::size_t>(index) - 1] = type;
}

void PgStatement::Bind(int index, std::string_view text) {
  std::string why;
  if (const std::size_t nul = text.find('\0'); nul != std::string_view::npos) {
    why = "a NUL byte at byte " + std::to_string(nul + 1);
  } else if (const auto invalid = host::FirstInvalidUtf8(text)) {
    why = "text that is not UTF-8 at byte " + std::to_string(*invalid + 1);
  }
  if (!why.empty()) {
    throw host::Error(kStoreError, "the CRM store " + db_.location() + " cannot hold " + why + " (parameter " +
                                       std::to_string(index) + " of " + sql_ + ")");
  }
  SetParameter(index, std::string(text), kUnknown);
}

void PgStatement::Bind(int index, std::int64_t number) {
  SetParameter(index, std::to_string(number), kInt8);
}

void PgStatement::Bind(int index, double number) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, number).ptr;
  SetParameter(index, std::string(text, end), kFloat8);
}

void PgStatement::BindNull(int index) {
  SetParameter(index, std::nullopt, kUnknown);
}

void PgStatement::Acquire() {
  const std::string key = KeyOf(types_, translated_);
  if (key == key_) return;
  const std::string& name = db_.Acquire(key, translated_, types_);
  if (!key_.empty()) db_.Release(key_);
  key_ = key;
  name_ = name;
}

std::vector<const char*> PgStatement::Values() const {
  std::vector<const char*> values;
  values.reserve(values_.size());
  for (const auto& value : values_) values.push_back(value ? value->c_str() : nullptr);
  return values;
}

void PgStatement::SendAhead() {
  Acquire();
  // Set first: the pipeline may be read while the statement is sent.
  started_ = true;
  awaiting_ = true;
  db_.SendAhead(name_, Values(), sql_, this);
}

// Behind statements sent ahead, a read joins them: their results and its
// rows come in one round trip.
void PgStatement::Start() {
  if (!db_.ahead_.empty()) {
    SendAhead();
    return;
  }
  Acquire();
  db_.Free();
  const std::vector<const char*> values = Values();
  db_.in_transaction_before_reading_ = db_.InTransaction();
  if (PQsendQueryPrepared(db_.conn_, name_.c_str(), static_cast<int>(values.size()), values.data(), nullptr,
                          nullptr, 0) == 0 ||
      PQsetSingleRowMode(db_.conn_) == 0) {
    db_.Fail(nullptr, sql_);
  }
  started_ = true;
  receiving_ = true;
  db_.reading_ = this;
}

void PgStatement::RunAhead() {
  Rewind();
  Acquire();
  db_.SendAhead(name_, Values(), sql_);
}

void PgStatement::ReadAhead() {
  Rewind();
  SendAhead();
}

PGresult* PgStatement::Receive() noexcept {
  PGresult* result = PQgetResult(db_.conn_);
  if (result != nullptr && PQresultStatus(result) == PGRES_SINGLE_TUPLE) return result;
  const ExecStatusType status = PQresultStatus(result);
  if (result == nullptr ? PQstatus(db_.conn_) == CONNECTION_BAD
                        : status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
    failed_ = true;
    failure_ = result;
  } else {
    if (result != nullptr) db_.NoteChanges(result);
    PQclear(result);
  }
  // The statement's results end with a null one.
  for (bool more = result != nullptr; more;) {
    PGresult* rest = PQgetResult(db_.conn_);
    more = rest != nullptr;
    PQclear(rest);
  }
  receiving_ = false;
  db_.reading_ = nullptr;
  return nullptr;
}

void PgStatement::KeepRest() {
  while (receiving_) {
    if (PGresult* row = Receive()) kept_.push_back(row);
  }
}

void PgStatement::DropRest() noexcept {
  if (std::exchange(awaiting_, false)) db_.Forget(this);
  while (receiving_) PQclear(Receive());
  for (PGresult* row : kept_) PQclear(row);
  kept_.clear();
  PQclear(failure_);
  failure_ = nullptr;
  failed_ = false;
}

void PgStatement::Rewind() noexcept {
  DropRest();
  PQclear(row_);
  row_ = nullptr;
  row_at_ = 0;
  started_ = false;
  done_ = false;
}

bool PgStatement::Step() {
  // Stepping on past the end runs the statement again, as SQLite does.
  if (done_) Rewind();
  if (!started_) Start();
  if (awaiting_) db_.Drain();
  if (row_ != nullptr && ++row_at_ < PQntuples(row_)) return true;
  PQclear(row_);
  row_ = nullptr;
  row_at_ = 0;
  if (!kept_.empty()) {
    row_ = kept_.front();
    kept_.pop_front();
  } else if (receiving_) {
    row_ = Receive();
  }
  if (row_ != nullptr) return true;
  done_ = true;
  if (failed_) {
    const std::unique_ptr<PGresult, decltype(&PQclear)> failure(failure_, &PQclear);
    failure_ = nullptr;
    failed_ = false;
    db_.Fail(failure.get(), sql_);
  }
  return false;
}

bool PgStatement::TryRun() noexcept {
  bool worked = true;
  try {
    while (Step()) {
    }
  } catch (...) {
    worked = false;
  }
  Rewind();
  return worked;
}

void PgStatement::Reset() {
  Rewind();
  for (auto& value : values_) value.reset();
  types_.assign(values_.size(), kUnknown);
}

std::string_view PgStatement::TextView(int column) const {
  if (row_ == nullptr || PQgetisnull(row_, row_at_, column) != 0) return "";
  if (PQftype(row_, column) == kBool) return PQgetvalue(row_, row_at_, column)[0] == 't' ? "1" : "0";
  return {PQgetvalue(row_, row_at_, column), static_cast<std::size_t>(PQgetlength(row_, row_at_, column))};
}

std::int64_t PgStatement::Int(int column) const {
  const std::string text = Text(column);
  std::int64_t whole = 0;
  const char* end = std::from_chars(text.data(), text.data() + text.size(), whole).ptr;
  const bool fraction = end != text.data() + text.size() && (*end == '.' || *end == 'e' || *end == 'E');
  return fraction ? Truncated(Parse<double>(text)) : whole;
}

double PgStatement::Real(int column) const { return Parse<double>(Text(column)); }

// A property's value is text on the server; a row that also holds its
// value_class tells the kind SQLite would have kept it as.
ColumnType PgStatement::ValueKind(int column) const {
  const int kind = std::string_view(PQfname(row_, column)) == "value" ? PQfnumber(row_, "value_class") : -1;
  if (kind < 0) return ColumnType::kText;
  const std::string_view name = PQgetvalue(row_, row_at_, kind);
  return name == "integer" ? ColumnType::kInteger : name == "null" ? ColumnType::kNull : ColumnType::kText;
}

ColumnType PgStatement::Type(int column) const {
  if (row_ == nullptr || PQgetisnull(row_, row_at_, column) != 0) return ColumnType::kNull;
  switch (PQftype(row_, column)) {
    case kBool: case kInt2: case kInt4: case kInt8: case kOid: return ColumnType::kInteger;
    case kFloat4: case kFloat8: return ColumnType::kReal;
    case kNumeric:
      return Text(column).find_first_of(".eEN") == std::string::npos ? ColumnType::kInteger : ColumnType::kReal;
    case kBytea: return ColumnType::kBlob;
    default: return ValueKind(column);
  }
}

}  // namespace store::pg
