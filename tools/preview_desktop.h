#pragma once

#include <string>
#include <vector>

#include "host/linux_platform.h"

namespace storetool {

// The desktop a previewed account command runs on: message boxes that
// answer Yes (and OK) and keep their texts in `messages`, which must outlive
// the desktop; no events to pump, no slides (making one fails with error
// 429), no other window and nowhere to display an item.
host::Desktop PreviewDesktop(std::vector<std::string>& messages);

}  // namespace storetool
