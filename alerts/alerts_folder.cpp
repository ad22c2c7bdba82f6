#include "alerts/alert_fields.h"
#include "app/form1.h"

namespace app {

host::Ref<host::outlook::MAPIFolder> Form1::AlertsFolder(host::ResumeNext& on_error) {
  host::Ref<host::outlook::MAPIFolder> folder;
  on_error([&] { folder = HostFolder->Folders()->Item(alerts::kAlertsFolderName); });
  if (folder.IsNothing()) {
    on_error([&] { folder = HostFolder->Folders()->Item(alerts::kStickyNotesFolderName); });
  }
  return folder;
}

}  // namespace app
