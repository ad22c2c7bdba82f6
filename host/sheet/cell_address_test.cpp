#include "host/sheet/cell_address.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace sheet {
namespace {

struct Named {
  long row;
  long column;
  std::string name;
};

// The column letters roll over like a base-26 count without a zero digit.
const Named kNamedCells[] = {{1, 1, "A1"},         {7, 2, "B7"},           {10, 26, "Z10"},
                             {1, 27, "AA1"},       {3, 52, "AZ3"},         {2, 53, "BA2"},
                             {1, 702, "ZZ1"},      {1, 703, "AAA1"},       {1048576, 16384, "XFD1048576"}};

TEST(CellAddressTest, NamesCellsAndReadsTheNamesBackAbsoluteOrInLowerCaseToo) {
  for (const auto& cell : kNamedCells) EXPECT_EQ(CellName(cell.row, cell.column), cell.name);
  std::vector<Named> read(std::begin(kNamedCells), std::end(kNamedCells));
  read.insert(read.end(), {{7, 2, "$B$7"}, {7, 2, "B$7"}, {7, 2, "$B7"}, {7, 2, "b7"}});
  for (const auto& cell : read) {
    long row = 0;
    long column = 0;
    ASSERT_TRUE(ParseCellAddress(cell.name, row, column)) << cell.name;
    EXPECT_EQ(std::pair(row, column), std::pair(cell.row, cell.column)) << cell.name;
  }
}

TEST(CellAddressTest, RefusesWhatNamesNoCell) {
  for (const std::string address :
       {"", "A", "7", "A0", "A07", "7A", "A1B", "A 1", "A1:B2", "$$A1", "A1$", "ABCD1", "A12345678",
        "Ä1", "R1C1x"}) {
    long row = -5;
    long column = -5;
    EXPECT_FALSE(ParseCellAddress(address, row, column)) << address;
    EXPECT_EQ(std::pair(row, column), std::pair(-5L, -5L)) << address << " changed what it was given";
  }
}

}  // namespace
}  // namespace sheet
