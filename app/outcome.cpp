#include "app/outcome.h"

namespace app {

int ExitStatus(Outcome outcome) { return static_cast<int>(outcome); }

}  // namespace app
