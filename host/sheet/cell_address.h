#pragma once

#include <string>

namespace sheet {

// The A1 name of the cell at `row` and `column` (both from 1): "B7", "AA10".
std::string CellName(long row, long column);

// Reads an A1 address ("B7", "$B$7", "b7") into `row` and `column`. Returns
// false, leaving both alone, for any other text; the cell may lie outside a sheet.
bool ParseCellAddress(const std::string& address, long& row, long& column);

}  // namespace sheet
