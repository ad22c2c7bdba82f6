#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <string>

#include "host/item_windows.h"

namespace desktop {

// Items shown in quorvia-inspector windows, which outlive this process.
// Display hands the item to the inspector of this user and display over its
// local socket, first starting it (detached, in a session of its own) when
// none answers, and waits until the window is shown. A new item goes with
// its folder and properties; the inspector stores it once text is typed.
class InspectorItemWindows : public host::ItemWindows {
 public:
  // `store_path` is the store the items come from; `inspector` the program;
  // `owner` the user the inspector must run as (this process's).
  InspectorItemWindows(std::string store_path, std::string inspector, uid_t owner = geteuid());

  // Throws host::Error when the inspector cannot be started or reached, or
  // cannot show the item, and, having sent nothing, when its socket or the
  // process answering there is another user's.
  void Display(host::DisplayedItem& item) override;
  // The inspector's windows on the X display.
  std::optional<std::uint64_t> ActiveWindow() override;
  void Minimize(std::uint64_t window) override;

 private:
  std::string store_path_;
  std::string inspector_;
  uid_t owner_;
};

// quorvia-inspector beside the running program.
std::string InspectorBesideThisProgram();

}  // namespace desktop
