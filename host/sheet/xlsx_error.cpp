#include "host/sheet/xlsx_error.h"

#include "host/excel.h"

namespace sheet {

host::Error SheetError(const std::string& what, const std::string& reason) {
  std::string description = what;
  description += ": ";
  description += reason;
  return host::Error(host::excel::kSheetFailure, description);
}

void Check(lxw_error result, const std::string& what) {
  if (result == LXW_NO_ERROR) return;
  throw SheetError(what, lxw_strerror(result));
}

}  // namespace sheet
