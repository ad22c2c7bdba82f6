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
  if (myitem.IsNothing()) EndRun(Outcome::kNotDone, "the item does not open: " + on_error.Description());
  if (!on_error([&] { MyOLItem->Application()->ActiveInspector()->SetWindowState(host::outlook::kOlMinimized); })) {
    EndRun(Outcome::kNotDone, "no item window was minimized: " + on_error.Description());
  }
  ProgramEnd();
}

}  // namespace app
