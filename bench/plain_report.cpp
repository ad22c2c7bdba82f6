// The least a report from the reports database can cost: a query's rows read
// over the unixODBC driver manager (SQLExecDirect, SQLFetch, SQLGetData as
// text) and written by libxlsxwriter in constant memory, with the header row,
// number formats and cell types of quorvia-utilities' ExcelReport and nothing
// else. Only the driver manager, libxlsxwriter and the column typing are
// linked in, so its peak memory is the floor for the program's.
//
//   plain_report QUERY FILE
//
// reads QUERY from the data source QuorviaReports into the workbook FILE.
// Exits with 1 and a message on failure.

#include <sql.h>
#include <sqlext.h>
#include <xlsxwriter.h>

#include <array>
#include <charconv>
#include <cstdio>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/odbc/column_type.h"

namespace {

using host::ado::ColumnType;

constexpr char kDataSource[] = "QuorviaReports";

void Check(SQLRETURN result, SQLSMALLINT type, SQLHANDLE handle, const char* what) {
  if (SQL_SUCCEEDED(result)) return;
  std::array<SQLCHAR, 6> state{};
  std::array<SQLCHAR, 1024> text{};
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  std::string message = what;
  if (SQL_SUCCEEDED(SQLGetDiagRec(type, handle, 1, state.data(), &native, text.data(),
                                  static_cast<SQLSMALLINT>(text.size()), &length))) {
    message.append(": ").append(reinterpret_cast<const char*>(text.data()));
  }
  throw std::runtime_error(message);
}

SQLCHAR* Text(const char* text) { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(text)); }

struct Column {
  std::string name;
  ColumnType type;
};

std::vector<Column> ReadColumns(SQLHSTMT statement) {
  SQLSMALLINT count = 0;
  Check(SQLNumResultCols(statement, &count), SQL_HANDLE_STMT, statement, "cannot count the columns");
  std::vector<Column> columns;
  for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(count); ++i) {
    std::array<SQLCHAR, 512> name{};
    std::array<SQLCHAR, 128> type_name{};
    SQLSMALLINT length = 0;
    SQLSMALLINT type = 0;
    SQLULEN size = 0;
    SQLSMALLINT digits = 0;
    SQLSMALLINT nullable = 0;
    Check(SQLDescribeCol(statement, i, name.data(), static_cast<SQLSMALLINT>(name.size()), &length, &type, &size,
                         &digits, &nullable),
          SQL_HANDLE_STMT, statement, "cannot describe a column");
    Check(SQLColAttribute(statement, i, SQL_DESC_TYPE_NAME, type_name.data(),
                          static_cast<SQLSMALLINT>(type_name.size()), &length, nullptr),
          SQL_HANDLE_STMT, statement, "cannot read a column's type name");
    columns.push_back({reinterpret_cast<const char*>(name.data()),
                       odbc::ColumnTypeOf(type, reinterpret_cast<const char*>(type_name.data()))});
  }
  return columns;
}

// The field as text, nothing when it is null; the values here are short,
// so one buffer holds any of them.
std::optional<std::string_view> ReadField(SQLHSTMT statement, SQLUSMALLINT column, std::array<char, 4096>& buffer) {
  SQLLEN indicator = 0;
  const SQLRETURN result = SQLGetData(statement, column, SQL_C_CHAR, buffer.data(),
                                      static_cast<SQLLEN>(buffer.size()), &indicator);
  Check(result, SQL_HANDLE_STMT, statement, "cannot read a field");
  if (indicator == SQL_NULL_DATA) return std::nullopt;
  if (result == SQL_SUCCESS_WITH_INFO) throw std::runtime_error("a field is longer than the buffer");
  return std::string_view(buffer.data(), static_cast<std::size_t>(indicator));
}

std::optional<double> NumberOf(std::string_view text) {
  double number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return number;
}

// "YYYY-MM-DD" or "YYYY-MM-DD HH:MM:SS[.fff]".
std::optional<lxw_datetime> TimeOf(std::string_view text) {
  lxw_datetime time{};
  const std::string whole(text);
  int read = 0;
  const int fields = std::sscanf(whole.c_str(), "%4d-%2d-%2d%n %2d:%2d:%lf%n", &time.year, &time.month, &time.day,
                                 &read, &time.hour, &time.min, &time.sec, &read);
  if ((fields != 3 && fields != 6) || static_cast<std::size_t>(read) != whole.size()) return std::nullopt;
  return time;
}

std::optional<bool> BooleanOf(std::string_view text) {
  if (text == "1" || text == "true") return true;
  if (text == "0" || text == "false") return false;
  return std::nullopt;
}

struct Formats {
  lxw_format* header;
  lxw_format* date;
  lxw_format* stamp;
};

// The field at `row` and `column`, typed by its column; a text that its
// type cannot read is written as text, a null field not at all.
lxw_error WriteField(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t column, ColumnType type,
                     std::optional<std::string_view> text, const Formats& formats) {
  if (!text) return LXW_NO_ERROR;
  switch (type) {
    case ColumnType::kInteger:
    case ColumnType::kDecimal:
    case ColumnType::kReal:
      if (const auto number = NumberOf(*text)) return worksheet_write_number(sheet, row, column, *number, nullptr);
      break;
    case ColumnType::kDate:
    case ColumnType::kTimestamp:
      if (auto time = TimeOf(*text)) {
        const bool midnight = time->hour == 0 && time->min == 0 && time->sec == 0;
        return worksheet_write_datetime(sheet, row, column, &*time, midnight ? formats.date : formats.stamp);
      }
      break;
    case ColumnType::kBoolean:
      if (const auto flag = BooleanOf(*text)) return worksheet_write_boolean(sheet, row, column, *flag, nullptr);
      break;
    case ColumnType::kText:
      break;
  }
  return worksheet_write_string(sheet, row, column, std::string(*text).c_str(), nullptr);
}

void WriteReport(SQLHDBC connection, const char* query, const char* file) {
  SQLHSTMT statement = nullptr;
  Check(SQLAllocHandle(SQL_HANDLE_STMT, connection, &statement), SQL_HANDLE_DBC, connection,
        "cannot make a statement");
  Check(SQLExecDirect(statement, Text(query), SQL_NTS), SQL_HANDLE_STMT, statement, "cannot run the query");
  const std::vector<Column> columns = ReadColumns(statement);

  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  lxw_workbook* workbook = workbook_new_opt(file, &options);
  if (!workbook) throw std::runtime_error("cannot start the workbook");
  lxw_worksheet* sheet = workbook_add_worksheet(workbook, nullptr);
  Formats formats{workbook_add_format(workbook), workbook_add_format(workbook), workbook_add_format(workbook)};
  format_set_bold(formats.header);
  format_set_align(formats.header, LXW_ALIGN_CENTER);
  format_set_num_format(formats.date, "yyyy-mm-dd");
  format_set_num_format(formats.stamp, "yyyy-mm-dd hh:mm:ss");
  for (lxw_col_t column = 0; column < columns.size(); ++column) {
    const std::string& name = columns[column].name;
    worksheet_set_column(sheet, column, column, static_cast<double>(name.size() + 5), nullptr);
    worksheet_write_string(sheet, 0, column, name.c_str(), formats.header);
  }
  std::array<char, 4096> buffer{};
  lxw_row_t row = 1;
  for (SQLRETURN result = SQLFetch(statement); result != SQL_NO_DATA; result = SQLFetch(statement), ++row) {
    Check(result, SQL_HANDLE_STMT, statement, "cannot read a row");
    if (row >= LXW_ROW_MAX) throw std::runtime_error("more rows than a sheet holds");
    for (lxw_col_t column = 0; column < columns.size(); ++column) {
      const auto text = ReadField(statement, static_cast<SQLUSMALLINT>(column + 1), buffer);
      if (WriteField(sheet, row, column, columns[column].type, text, formats) != LXW_NO_ERROR) {
        throw std::runtime_error("cannot write a cell");
      }
    }
  }
  SQLFreeHandle(SQL_HANDLE_STMT, statement);
  if (workbook_close(workbook) != LXW_NO_ERROR) throw std::runtime_error("cannot write the workbook");
}

void Run(const char* query, const char* file) {
  SQLHENV environment = nullptr;
  SQLHDBC connection = nullptr;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment))) {
    throw std::runtime_error("cannot start ODBC");
  }
  SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  Check(SQLAllocHandle(SQL_HANDLE_DBC, environment, &connection), SQL_HANDLE_ENV, environment,
        "cannot make a connection");
  Check(SQLConnect(connection, Text(kDataSource), SQL_NTS, nullptr, 0, nullptr, 0), SQL_HANDLE_DBC, connection,
        "cannot connect to QuorviaReports");
  WriteReport(connection, query, file);
  SQLDisconnect(connection);
  SQLFreeHandle(SQL_HANDLE_DBC, connection);
  SQLFreeHandle(SQL_HANDLE_ENV, environment);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "Usage: plain_report QUERY FILE\n";
    return 2;
  }
  try {
    Run(argv[1], argv[2]);
  } catch (const std::exception& error) {
    std::cerr << "plain_report: " << error.what() << "\n";
    return 1;
  }
  return 0;
}
