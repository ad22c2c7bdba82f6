#include "host/odbc/column_type.h"

#include <sqlext.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <string>
#include <utility>

namespace odbc {
namespace {

using host::ado::ColumnType;

ColumnType TypeOfCode(SQLSMALLINT type_code) {
  switch (type_code) {
    case SQL_INTEGER: case SQL_SMALLINT: case SQL_TINYINT: case SQL_BIGINT:
      return ColumnType::kInteger;
    case SQL_DECIMAL: case SQL_NUMERIC:
      return ColumnType::kDecimal;
    case SQL_REAL: case SQL_FLOAT: case SQL_DOUBLE:
      return ColumnType::kReal;
    case SQL_TYPE_DATE: case SQL_DATE:
      return ColumnType::kDate;
    case SQL_TYPE_TIMESTAMP: case SQL_TIMESTAMP:
      return ColumnType::kTimestamp;
    case SQL_BIT:
      return ColumnType::kBoolean;
    default:
      return ColumnType::kText;
  }
}

// The type a known type name stands for: its first word, before any "(",
// in any letter case.
std::optional<ColumnType> TypeOfName(std::string_view type_name) {
  static constexpr std::array<std::pair<const char*, ColumnType>, 19> kNames = {{
      {"INTEGER", ColumnType::kInteger},   {"INT", ColumnType::kInteger},
      {"SMALLINT", ColumnType::kInteger},  {"BIGINT", ColumnType::kInteger},
      {"TINYINT", ColumnType::kInteger},   {"INT2", ColumnType::kInteger},
      {"INT4", ColumnType::kInteger},      {"INT8", ColumnType::kInteger},
      {"NUMERIC", ColumnType::kDecimal},   {"DECIMAL", ColumnType::kDecimal},
      {"REAL", ColumnType::kReal},         {"FLOAT", ColumnType::kReal},
      {"DOUBLE", ColumnType::kReal},       {"FLOAT4", ColumnType::kReal},
      {"FLOAT8", ColumnType::kReal},       {"DATE", ColumnType::kDate},
      {"TIMESTAMP", ColumnType::kTimestamp}, {"DATETIME", ColumnType::kTimestamp},
      {"BOOLEAN", ColumnType::kBoolean},
  }};
  std::string word(type_name.substr(0, type_name.find_first_of(" (")));
  std::transform(word.begin(), word.end(), word.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  if (word == "BIT" || word == "BOOL") return ColumnType::kBoolean;
  for (const auto& [name, type] : kNames) {
    if (word == name) return type;
  }
  return std::nullopt;
}

}  // namespace

ColumnType ColumnTypeOf(SQLSMALLINT type_code, std::string_view type_name) {
  return TypeOfName(type_name).value_or(TypeOfCode(type_code));
}

}  // namespace odbc
