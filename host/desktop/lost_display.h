#pragma once

#include <functional>
#include <string>

// What happens when the display goes away under a run. Left alone, Qt aborts
// when it cannot connect after the display check passed, and Qt and Xlib
// exit with status 1 when an X connection breaks; the run then ends without
// its status and reason.
namespace desktop {

// Ends the run because the display was lost, `reason` saying how; it does
// not return.
using LostDisplayEnd = std::function<void(const std::string& reason)>;

// From now on, in this process, `end` ends the run when an X connection
// breaks (Xlib's IO error handler; Qt's messages while its X connection is
// broken) or when Qt cannot go on with its platform (its fatal messages).
// Qt's other messages go where they went before.
void EndOnLostDisplay(LostDisplayEnd end);

// Puts the IO error handler of EndOnLostDisplay back in front of the one Qt
// installs when it connects; nothing when EndOnLostDisplay was not called.
void ReclaimXlibIoErrors();

}  // namespace desktop
