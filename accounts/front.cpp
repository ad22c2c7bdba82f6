#include "app/command_record.h"
#include "app/form1.h"

namespace app {

void Form1::Front() {
  host::ResumeNext on_error("Front", trace_);
  on_error([&] {
    const std::string& entry_id = Param(1);
    myitem = objSession->GetMessage(entry_id, HostFolder->StoreID());
  });
  on_error([&] {
    const std::string& entry_id = Param(1);
    auto mapi = olapp->GetNamespace("MAPI");
    MyOLItem = host::outlook::AsPostItem(mapi->GetItemFromID(entry_id, HostFolder->StoreID()));
  });
  // Only the CDO view decides whether the item exists.
  if (myitem.IsNothing()) {
    EndRun(Outcome::kNotDone,
           FailureInUserWords(myParam, on_error.Number(), on_error.Description(), "the item does not open: "));
  }
  if (!on_error([&] { MyOLItem->Application()->ActiveInspector()->SetWindowState(host::outlook::kOlMinimized); })) {
    // The window is reached through the item as a post item; a note or a
    // contact gives none.
    EndRun(Outcome::kNotDone, "no item window was minimized: " +
                                  (MyOLItem.IsNothing() ? "item \"" + Param(1) + "\" is not a post item"
                                                        : on_error.Description()));
  }
  ProgramEnd();
}

}  // namespace app
