#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/ref.h"
#include "host/value.h"

namespace host::ado {

// Error numbers of the reports database, as its callers test for them.
inline constexpr long kFail = -2147467259;             // cannot open, or any other failure
inline constexpr long kErrorsInCommand = -2147217900;  // the engine refuses the statement
inline constexpr long kNoTable = -2147217865;          // the statement names a missing table
inline constexpr long kObjectClosed = 3704;            // a call on a closed object
inline constexpr long kObjectOpen = 3705;              // opening an object that is open
inline constexpr long kNoCurrentRecord = 3021;         // reading or moving past the last row
inline constexpr long kNoSuchField = 3265;             // a column index out of range

// The access mode of a connection that only reads (ADO's adModeRead).
inline constexpr int kModeRead = 1;

// The SQL type of a result column.
enum class ColumnType { kInteger, kDecimal, kReal, kDate, kTimestamp, kBoolean, kText };

// A connection to the reports database. Every failing call throws
// host::Error with one of the numbers above and a description that names
// what was done and carries the driver's own diagnostics.
class Connection {
 public:
  virtual ~Connection() = default;

  // The access mode asked for, set before Open: kModeRead, or any other
  // (3: read and write) for a connection that may write.
  virtual void SetMode(int mode) = 0;
  virtual int Mode() const = 0;

  // Connects to `source`: an ODBC data source name, or a whole ODBC
  // connection string when it holds '='. `options` is ignored (-1 is
  // "unspecified"). In kModeRead everything it runs is in one transaction
  // that the engine holds read only and that Close rolls back. Throws kFail
  // when it cannot connect, or in kModeRead on an engine it cannot make read
  // only (one but SQLite and PostgreSQL); kObjectOpen when open.
  virtual void Open(const std::string& source, const std::string& user,
                    const std::string& password, int options) = 0;

  // Runs a statement and drops any rows it yields. Throws kObjectClosed when
  // not open, kNoTable or kErrorsInCommand when the engine refuses it.
  virtual void Execute(const std::string& statement) = 0;
  // The same, with each `?` of `statement` bound in order to a text value or
  // null: values are never written into the statement text.
  virtual void Execute(const std::string& statement,
                       const std::vector<std::optional<std::string>>& parameters) = 0;

  // The character to quote names with ("" when the engine has none): one
  // the engine never reads as a text, so a name that names no column or
  // table is refused. Throws kObjectClosed when not open.
  virtual std::string IdentifierQuote() = 0;

  // Disconnects and closes every recordset opened on it, rolling back what
  // a kModeRead connection ran. Closing a closed connection does nothing.
  virtual void Close() = 0;
};

// The rows of one query, read forward in constant memory. Every failing call
// throws host::Error; every call but SetCursorType and Open on a closed
// recordset (Close included) throws kObjectClosed.
class Recordset {
 public:
  virtual ~Recordset() = default;

  // The cursor type asked for (1 keyset, 3 static); kept, the rows are read
  // forward whatever it says.
  virtual void SetCursorType(int cursor_type) = 0;

  // Runs the query `source` on the open `connection` and stands on its first
  // row (at the end when it yields none). Throws kObjectClosed when the
  // connection is not open, kObjectOpen when this recordset is, kNoTable or
  // kErrorsInCommand when the engine refuses the query, and kFail, without
  // running it, for a statement that yields no columns (one that only writes).
  virtual void Open(const std::string& source, Ref<Connection> connection) = 0;

  // Back to the first row: runs the query again unless already there.
  virtual void MoveFirst() = 0;
  // To the next row. Throws kNoCurrentRecord at the end.
  virtual void MoveNext() = 0;
  // True after the last row (the recordset's EOF; the C library owns that name).
  virtual bool Eof() = 0;

  // The current row's value of column `index` (from 0) as text; nothing for
  // null. Throws kNoCurrentRecord at the end, kNoSuchField out of range.
  virtual std::optional<std::string> Fields(int index) = 0;
  // The same value typed by its column (see odbc::FieldValue): a number,
  // Boolean, local time or text; host::Null for null.
  virtual host::Value Value(int index) = 0;

  // The columns: their number, and each one's name and type (kNoSuchField
  // out of range).
  virtual int FieldCount() = 0;
  virtual std::string FieldName(int index) = 0;
  virtual ColumnType FieldType(int index) = 0;

  // The number of rows the query yields, counted by running it again and
  // reading its rows; the current row stays where it is. Only a kModeRead
  // connection runs a query twice: on another it throws kFail.
  virtual long RecordCount() = 0;

  // Lets go of the rows.
  virtual void Close() = 0;
};

}  // namespace host::ado
