#pragma once

#include <xlsxwriter.h>

#include <string>

#include "host/error.h"

namespace sheet {

// The error of a spreadsheet call that failed doing `what` (which names the
// cell, sheet or file): "WHAT: REASON", number kSheetFailure.
host::Error SheetError(const std::string& what, const std::string& reason);

// Returns when libxlsxwriter's `result` is success; else throws SheetError
// with `what` and the library's own text for the result.
void Check(lxw_error result, const std::string& what);

}  // namespace sheet
