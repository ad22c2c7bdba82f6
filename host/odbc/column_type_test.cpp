#include "host/odbc/column_type.h"

#include <gtest/gtest.h>
#include <sqlext.h>

namespace odbc {
namespace {

using host::ado::ColumnType;

TEST(ColumnTypeTest, TheDeclaredNameDecidesAndTheCodeOtherwise) {
  // The SQLite driver: declared names, with text codes for some of them.
  EXPECT_EQ(ColumnTypeOf(SQL_VARCHAR, "decimal(10,2)"), ColumnType::kDecimal);
  EXPECT_EQ(ColumnTypeOf(SQL_VARCHAR, "DateTime"), ColumnType::kTimestamp);
  EXPECT_EQ(ColumnTypeOf(SQL_VARCHAR, "boolean"), ColumnType::kBoolean);
  EXPECT_EQ(ColumnTypeOf(SQL_VARCHAR, "text"), ColumnType::kText);
  EXPECT_EQ(ColumnTypeOf(SQL_VARCHAR, "varchar(20)"), ColumnType::kText);
  EXPECT_EQ(ColumnTypeOf(SQL_VARCHAR, "integral"), ColumnType::kText);
  // PostgreSQL's names.
  EXPECT_EQ(ColumnTypeOf(SQL_INTEGER, "int4"), ColumnType::kInteger);
  EXPECT_EQ(ColumnTypeOf(SQL_DOUBLE, "float8"), ColumnType::kReal);
  EXPECT_EQ(ColumnTypeOf(SQL_CHAR, "bool"), ColumnType::kBoolean);
  EXPECT_EQ(ColumnTypeOf(SQL_TYPE_TIMESTAMP, "timestamp without time zone"), ColumnType::kTimestamp);
  // A name that says nothing leaves it to the code.
  EXPECT_EQ(ColumnTypeOf(SQL_TYPE_DATE, ""), ColumnType::kDate);
  EXPECT_EQ(ColumnTypeOf(SQL_NUMERIC, "money"), ColumnType::kDecimal);
  EXPECT_EQ(ColumnTypeOf(SQL_BIT, ""), ColumnType::kBoolean);
  EXPECT_EQ(ColumnTypeOf(SQL_WVARCHAR, ""), ColumnType::kText);
}

}  // namespace
}  // namespace odbc
