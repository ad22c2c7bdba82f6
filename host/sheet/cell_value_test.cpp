#include "host/sheet/cell_value.h"

#include <gtest/gtest.h>

namespace sheet {
namespace {

using namespace std::chrono;

host::LocalTime At(int year, unsigned month, unsigned day, int hour = 0, int minute = 0, int second = 0) {
  return local_days{std::chrono::year{year} / month / day} + hours{hour} + minutes{minute} + seconds{second};
}

TEST(CellValueTest, KeepsTypesAndWritesTimesNoDateCellHoldsAsText) {
  EXPECT_EQ(CellFromValue(std::int32_t{-7}), CellValue(-7.0));
  EXPECT_EQ(CellFromValue(0.25), CellValue(0.25));
  EXPECT_EQ(CellFromValue(true), CellValue(true));
  EXPECT_EQ(CellFromValue(std::string("007")), CellValue(std::string("007")));
  EXPECT_EQ(CellFromValue(host::Null{}), CellValue());
  EXPECT_EQ(CellFromValue(host::Empty{}), CellValue());
  EXPECT_EQ(CellFromValue(At(2024, 2, 29)), CellValue(DateCell{At(2024, 2, 29), false}));
  EXPECT_EQ(CellFromValue(At(2024, 2, 29, 13, 14, 15)), CellValue(DateCell{At(2024, 2, 29, 13, 14, 15), true}));
  EXPECT_EQ(CellFromValue(At(1899, 12, 31)), CellValue(std::string("1899-12-31")));
  EXPECT_EQ(CellFromValue(At(1850, 6, 1, 8, 0, 0)), CellValue(std::string("1850-06-01 08:00:00")));
}

}  // namespace
}  // namespace sheet
