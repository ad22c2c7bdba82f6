#include "host/odbc/odbc_recordset.h"

#include <sqlext.h>

#include <algorithm>
#include <array>

#include "host/odbc/column_type.h"
#include "host/odbc/field_value.h"
#include "host/odbc/odbc_error.h"

namespace odbc {
namespace {

using host::ado::ColumnType;

constexpr char kRunAgain[] = "cannot run the query again";

host::Error NoCurrentRecord() {
  return host::Error(host::ado::kNoCurrentRecord,
                     "Either BOF or EOF is True, or the current record has been deleted.");
}

}  // namespace

void OdbcRecordset::Open(const std::string& source, host::Ref<host::ado::Connection> connection) {
  if (statement_ && *statement_) {
    throw ObjectOpen();
  }
  auto odbc = std::dynamic_pointer_cast<OdbcConnection>(connection.shared());
  if (!odbc) throw ObjectClosed();
  auto statement = odbc->NewStatement();
  source_ = source;
  const std::string context = "cannot run the query on " + odbc->name();
  Check(SQLPrepare(statement->get(), reinterpret_cast<SQLCHAR*>(source_.data()), SQL_NTS), SQL_HANDLE_STMT,
        statement->get(), context);
  SQLSMALLINT columns = 0;
  Check(SQLNumResultCols(statement->get(), &columns), SQL_HANDLE_STMT, statement->get(), context);
  // Only a statement that yields rows is run: one that yields none can only
  // change something.
  if (columns == 0) throw host::Error(host::ado::kFail, context + ": it yields no columns, so it reads no rows");
  Check(Run(statement->get()), SQL_HANDLE_STMT, statement->get(), context);
  connection_ = std::move(odbc);
  statement_ = std::move(statement);
  column_count_ = static_cast<std::size_t>(columns);
  position_ = 0;
  try {
    // The engine may find that the query cannot run only at its first row.
    Fetch(context);
  } catch (...) {
    Close();
    throw;
  }
}

SQLHANDLE OdbcRecordset::Statement() const {
  if (!statement_ || !*statement_) throw ObjectClosed();
  return statement_->get();
}

SQLRETURN OdbcRecordset::Run(SQLHANDLE statement) const { return SQLExecute(statement); }

void OdbcRecordset::DescribeColumns() {
  const SQLHANDLE statement = Statement();
  const std::string context = "cannot read the columns of the query";
  for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(column_count_); ++i) {
    SQLSMALLINT type = 0;
    std::string name = ColumnName(i, type);
    std::array<SQLCHAR, 128> type_name{};
    SQLSMALLINT type_name_length = 0;
    Check(SQLColAttribute(statement, i, SQL_DESC_TYPE_NAME, type_name.data(),
                          static_cast<SQLSMALLINT>(type_name.size()), &type_name_length, nullptr),
          SQL_HANDLE_STMT, statement, context);
    columns_.push_back({std::move(name), ColumnTypeOf(type, reinterpret_cast<const char*>(type_name.data()))});
  }
}

std::string OdbcRecordset::ColumnName(SQLUSMALLINT column, SQLSMALLINT& type) {
  const SQLHANDLE statement = Statement();
  const std::string context = "cannot read the columns of the query";
  SQLSMALLINT length = 0;
  SQLULEN size = 0;
  SQLSMALLINT digits = 0;
  SQLSMALLINT nullable = 0;
  // The length is asked for first: the SQLite driver cuts a name at the
  // buffer's end without saying so, even inside a character.
  Check(SQLDescribeCol(statement, column, nullptr, 0, &length, &type, &size, &digits, &nullable), SQL_HANDLE_STMT,
        statement, context);
  // A buffer's length is a SQLSMALLINT: no name is read beyond 32,766 bytes.
  constexpr std::size_t kLargestBuffer = 32767;
  std::string name;
  // A driver that counted the name differently the first time says so now.
  do {
    name.assign(std::min(static_cast<std::size_t>(length) + 1, kLargestBuffer), '\0');
    Check(SQLDescribeCol(statement, column, reinterpret_cast<SQLCHAR*>(name.data()),
                         static_cast<SQLSMALLINT>(name.size()), &length, &type, &size, &digits, &nullable),
          SQL_HANDLE_STMT, statement, context);
  } while (static_cast<std::size_t>(length) >= name.size() && name.size() < kLargestBuffer);
  name.resize(std::min(static_cast<std::size_t>(length), name.size() - 1));
  return name;
}

void OdbcRecordset::Fetch(const std::string& context) {
  const SQLHANDLE statement = Statement();
  const SQLRETURN result = SQLFetch(statement);
  Check(result, SQL_HANDLE_STMT, statement, context);
  at_end_ = result == SQL_NO_DATA;
  row_.clear();
  if (at_end_) return;
  for (std::size_t i = 0; i < column_count_; ++i) {
    row_.push_back(ReadValue(static_cast<SQLUSMALLINT>(i + 1)));
  }
}

std::optional<std::string> OdbcRecordset::ReadValue(SQLUSMALLINT column) {
  const SQLHANDLE statement = Statement();
  std::string value;
  auto& chunk = chunk_;
  for (;;) {
    SQLLEN indicator = 0;
    const SQLRETURN result = SQLGetData(statement, column, SQL_C_CHAR, chunk.data(),
                                        static_cast<SQLLEN>(chunk.size()), &indicator);
    if (result == SQL_NO_DATA) return value;
    Check(result, SQL_HANDLE_STMT, statement, "cannot read a value of the query");
    if (indicator == SQL_NULL_DATA) return std::nullopt;
    // Each chunk but the last fills the buffer but for its terminating zero.
    const bool more = result == SQL_SUCCESS_WITH_INFO &&
                      (indicator == SQL_NO_TOTAL || indicator >= static_cast<SQLLEN>(chunk.size()));
    value.append(chunk.data(), more ? chunk.size() - 1 : static_cast<std::size_t>(indicator));
    if (!more) return value;
  }
}

void OdbcRecordset::MoveFirst() {
  const SQLHANDLE statement = Statement();
  if (position_ == 0) return;
  SQLFreeStmt(statement, SQL_CLOSE);
  Check(Run(statement), SQL_HANDLE_STMT, statement, kRunAgain);
  position_ = 0;
  Fetch(kRunAgain);
}

void OdbcRecordset::MoveNext() {
  Statement();
  if (at_end_) throw NoCurrentRecord();
  ++position_;
  Fetch("cannot read the next row of the query");
}

bool OdbcRecordset::Eof() {
  Statement();
  return at_end_;
}

void OdbcRecordset::CheckField(int index) const {
  Statement();
  if (index < 0 || static_cast<std::size_t>(index) >= column_count_) {
    throw host::Error(host::ado::kNoSuchField,
                      "Item cannot be found in the collection corresponding to the requested "
                      "name or ordinal.");
  }
}

const OdbcRecordset::Column& OdbcRecordset::ColumnAt(int index) {
  CheckField(index);
  // Described only when asked for: PostgreSQL's driver queries the catalog
  // to describe a column, which reading the rows does not need.
  if (columns_.empty()) DescribeColumns();
  return columns_[static_cast<std::size_t>(index)];
}

std::optional<std::string> OdbcRecordset::Fields(int index) {
  CheckField(index);
  if (at_end_) throw NoCurrentRecord();
  return row_[static_cast<std::size_t>(index)];
}

host::Value OdbcRecordset::Value(int index) { return FieldValue(ColumnAt(index).type, Fields(index)); }

int OdbcRecordset::FieldCount() {
  Statement();
  return static_cast<int>(column_count_);
}

std::string OdbcRecordset::FieldName(int index) { return ColumnAt(index).name; }

host::ado::ColumnType OdbcRecordset::FieldType(int index) { return ColumnAt(index).type; }

long OdbcRecordset::RecordCount() {
  const SQLHANDLE statement = Statement();
  if (!connection_->read_only()) {
    throw host::Error(host::ado::kFail, "cannot count the rows of the query on " + connection_->name() +
                                            ": it would run again on a connection that may write");
  }
  if (at_end_) return position_;
  // The engine counts the rows on a second connection, and this run stays
  // where it stands: the query runs twice in all. Not on a second statement
  // of this connection: while one runs, the SQLite driver reads the rest of
  // the open one's rows into memory.
  if (const std::optional<long> counted = connection_->CountRows(source_)) return *counted;
  // A query the engine cannot count as a subquery: this run is read on to
  // its end, and the query runs once more only to come back to the current
  // row.
  const long position = position_;
  const std::string context = "cannot count the rows of the query";
  long count = position + 1;
  for (SQLRETURN result = SQLFetch(statement); result != SQL_NO_DATA; result = SQLFetch(statement)) {
    Check(result, SQL_HANDLE_STMT, statement, context);
    ++count;
  }
  SQLFreeStmt(statement, SQL_CLOSE);
  Check(Run(statement), SQL_HANDLE_STMT, statement, kRunAgain);
  position_ = 0;
  Fetch(kRunAgain);
  while (position_ < position && !at_end_) MoveNext();
  return count;
}

void OdbcRecordset::Close() {
  Statement();
  statement_.reset();
  connection_.reset();
  column_count_ = 0;
  columns_.clear();
  row_.clear();
  at_end_ = true;
}

}  // namespace odbc
