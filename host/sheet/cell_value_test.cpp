#include "host/sheet/cell_value.h"

#include <gtest/gtest.h>

namespace sheet {
namespace {

using host::ado::ColumnType;
using namespace std::chrono;

host::LocalTime At(int year, unsigned month, unsigned day, int hour = 0, int minute = 0, int second = 0) {
  return local_days{std::chrono::year{year} / month / day} + hours{hour} + minutes{minute} + seconds{second};
}

struct FieldCase {
  ColumnType type;
  std::optional<std::string> text;
  CellValue expected;
};

// Numbers, dates and Booleans become typed cells; whatever their type cannot
// read stays text, text fields stay text however numeric they look, and
// nulls leave the cell empty.
const FieldCase kFields[] = {
    {ColumnType::kInteger, "42", 42.0},
    {ColumnType::kInteger, "-7", -7.0},
    {ColumnType::kDecimal, "12.50", 12.5},
    {ColumnType::kReal, "1e3", 1000.0},
    {ColumnType::kReal, "0.25", 0.25},
    {ColumnType::kInteger, "", std::string()},
    {ColumnType::kInteger, "12abc", std::string("12abc")},
    {ColumnType::kReal, "inf", std::string("inf")},
    {ColumnType::kReal, "nan", std::string("nan")},
    {ColumnType::kDate, "2024-02-29", DateCell{At(2024, 2, 29), false}},
    {ColumnType::kDate, "2024-02-30", std::string("2024-02-30")},
    {ColumnType::kDate, "1899-12-31", std::string("1899-12-31")},
    {ColumnType::kDate, "29/02/2024", std::string("29/02/2024")},
    {ColumnType::kTimestamp, "2024-02-29 13:14:15", DateCell{At(2024, 2, 29, 13, 14, 15), true}},
    {ColumnType::kTimestamp, "2024-02-29T13:14:15", DateCell{At(2024, 2, 29, 13, 14, 15), true}},
    {ColumnType::kTimestamp, "2024-02-29 13:14:15.250", DateCell{At(2024, 2, 29, 13, 14, 15), true}},
    {ColumnType::kTimestamp, "2024-02-29", DateCell{At(2024, 2, 29), true}},
    {ColumnType::kTimestamp, "2024-02-29 24:00:00", std::string("2024-02-29 24:00:00")},
    {ColumnType::kTimestamp, "2024-02-29 13:14:15.", std::string("2024-02-29 13:14:15.")},
    {ColumnType::kBoolean, "1", true},
    {ColumnType::kBoolean, "0", false},
    {ColumnType::kBoolean, "-1", true},
    {ColumnType::kBoolean, "TRUE", true},
    {ColumnType::kBoolean, "false", false},
    {ColumnType::kBoolean, "yes", std::string("yes")},
    {ColumnType::kText, "007", std::string("007")},
    {ColumnType::kText, "12345678901234567890", std::string("12345678901234567890")},
    {ColumnType::kText, "2024-02-29", std::string("2024-02-29")},
    {ColumnType::kText, "Zoë", std::string("Zoë")},
    {ColumnType::kInteger, std::nullopt, CellValue()},
    {ColumnType::kBoolean, std::nullopt, CellValue()},
    {ColumnType::kText, std::nullopt, CellValue()},
};

TEST(CellValueTest, TypesRecordsetFieldsByTheirColumnType) {
  for (const auto& field : kFields) {
    EXPECT_EQ(CellFromField(field.type, field.text), field.expected)
        << static_cast<int>(field.type) << " " << field.text.value_or("null");
  }
}

}  // namespace
}  // namespace sheet
