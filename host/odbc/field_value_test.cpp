#include "host/odbc/field_value.h"

#include <gtest/gtest.h>

namespace odbc {
namespace {

using host::ado::ColumnType;
using namespace std::chrono;

host::LocalTime At(int year, unsigned month, unsigned day, int hour = 0, int minute = 0, int second = 0) {
  return local_days{std::chrono::year{year} / month / day} + hours{hour} + minutes{minute} + seconds{second};
}

struct FieldCase {
  ColumnType type;
  std::optional<std::string> text;
  host::Value expected;
};

// Numbers, dates and Booleans are typed; whatever their type cannot read
// stays text, text fields stay text however numeric they look, and nulls
// are null.
const FieldCase kFields[] = {
    {ColumnType::kInteger, "42", std::int32_t{42}},
    {ColumnType::kInteger, "-7", std::int32_t{-7}},
    {ColumnType::kInteger, "4294967296", 4294967296.0},
    {ColumnType::kDecimal, "12.50", 12.5},
    {ColumnType::kDecimal, "3", 3.0},
    {ColumnType::kReal, "1e3", 1000.0},
    {ColumnType::kInteger, "", std::string()},
    {ColumnType::kInteger, "12abc", std::string("12abc")},
    {ColumnType::kReal, "inf", std::string("inf")},
    {ColumnType::kReal, "nan", std::string("nan")},
    {ColumnType::kDate, "2024-02-29", At(2024, 2, 29)},
    {ColumnType::kDate, "2024-02-30", std::string("2024-02-30")},
    {ColumnType::kDate, "1850-06-01", At(1850, 6, 1)},
    {ColumnType::kDate, "29/02/2024", std::string("29/02/2024")},
    {ColumnType::kTimestamp, "2024-02-29 13:14:15", At(2024, 2, 29, 13, 14, 15)},
    {ColumnType::kTimestamp, "2024-02-29T13:14:15", At(2024, 2, 29, 13, 14, 15)},
    {ColumnType::kTimestamp, "2024-02-29 13:14:15.250", At(2024, 2, 29, 13, 14, 15)},
    {ColumnType::kTimestamp, "2024-02-29 13:14:15.2", At(2024, 2, 29, 13, 14, 15)},
    {ColumnType::kTimestamp, "2024-02-29 24:00:00", std::string("2024-02-29 24:00:00")},
    {ColumnType::kTimestamp, "2024-02-29 13:14:15.", std::string("2024-02-29 13:14:15.")},
    {ColumnType::kBoolean, "1", true},
    {ColumnType::kBoolean, "0", false},
    {ColumnType::kBoolean, "-1", true},
    {ColumnType::kBoolean, "TRUE", true},
    {ColumnType::kBoolean, "yes", std::string("yes")},
    {ColumnType::kText, "007", std::string("007")},
    {ColumnType::kText, "12345678901234567890", std::string("12345678901234567890")},
    {ColumnType::kText, "Zoë", std::string("Zoë")},
    {ColumnType::kInteger, std::nullopt, host::Null{}},
    {ColumnType::kText, std::nullopt, host::Null{}},
};

TEST(FieldValueTest, TypesFieldsByTheirColumnType) {
  for (const auto& field : kFields) {
    EXPECT_EQ(FieldValue(field.type, field.text), field.expected)
        << static_cast<int>(field.type) << " " << field.text.value_or("null");
  }
}

}  // namespace
}  // namespace odbc
