#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/ado.h"
#include "host/odbc/odbc_connection.h"
#include "host/odbc/odbc_handle.h"

namespace odbc {

// The rows of one query over an OdbcConnection, fetched one at a time.
class OdbcRecordset : public host::ado::Recordset {
 public:
  void SetCursorType(int cursor_type) override { cursor_type_ = cursor_type; }
  void Open(const std::string& source, host::Ref<host::ado::Connection> connection) override;
  void MoveFirst() override;
  void MoveNext() override;
  bool Eof() override;
  std::optional<std::string> Fields(int index) override;
  host::Value Value(int index) override;
  int FieldCount() override;
  std::string FieldName(int index) override;
  host::ado::ColumnType FieldType(int index) override;
  long RecordCount() override;
  void Close() override;

 private:
  struct Column {
    std::string name;
    host::ado::ColumnType type;
  };

  // The statement when open; throws 3704 when closed (also by its connection).
  SQLHANDLE Statement() const;
  // Throws 3265 unless the query has a column `index` (from 0).
  void CheckField(int index) const;
  const Column& ColumnAt(int index);
  // Runs the prepared query on `statement` and returns its result.
  SQLRETURN Run(SQLHANDLE statement) const;
  // Reads every column's name and type into columns_.
  void DescribeColumns();
  // The whole name of `column` (from 1), and its SQL type into `type`.
  std::string ColumnName(SQLUSMALLINT column, SQLSMALLINT& type);
  // Fetches the next row into row_, or sets at_end_; throws with `context`.
  void Fetch(const std::string& context);
  std::optional<std::string> ReadValue(SQLUSMALLINT column);

  int cursor_type_ = 0;
  std::string source_;
  std::shared_ptr<OdbcConnection> connection_;
  std::shared_ptr<StatementHandle> statement_;
  std::size_t column_count_ = 0;
  // Empty until a column's name or type is first asked for.
  std::vector<Column> columns_;
  std::vector<std::optional<std::string>> row_;
  long position_ = 0;
  bool at_end_ = true;
  // Where values are read, a piece at a time.
  std::array<char, 4096> chunk_;
};

}  // namespace odbc
