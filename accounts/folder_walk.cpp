#include "app/form1.h"

namespace app {

void Form1::ForEachSubfolder(host::Ref<host::omg::SafeFolder>& pfolder, host::ResumeNext& on_error,
                             const std::function<bool(const host::Ref<host::outlook::MAPIFolder>&)>& work,
                             const std::function<void(host::Ref<host::omg::SafeFolder>&)>& descend) {
  host::Ref<host::outlook::Folders> folders;
  int count = 0;
  on_error([&] { folders = pfolder->Item()->Folders(); });
  on_error([&] { count = folders->Count(); });
  for (int i = 1; i <= count; ++i) {
    host::Ref<host::outlook::MAPIFolder> folder;
    on_error([&] { folder = folders->Item(i); });
    DoEvents();
    if (!work(folder)) continue;
    int subfolders = 0;
    // Subfolders that cannot be reached (nested deeper than the store
    // allows) keep items the walk should have visited.
    if (!on_error([&] { subfolders = folder->Folders()->Count(); }) && !folder.IsNothing()) {
      unchanged_items_.push_back(on_error.Description() + " (not visited)");
    }
    if (subfolders > 0) {
      host::Ref<host::omg::SafeFolder> wrapper;
      on_error([&] { wrapper = platform_.CreateSafeFolder(); });
      on_error([&] { wrapper->SetItem(folder); });
      descend(wrapper);
    }
  }
}

void Form1::ReleaseWalkObjects() {
  CDOFolder.Reset();
  oMessCol.Reset();
  oFilter.Reset();
  omess.Reset();
}

void Form1::WalkFolderTree(const std::string& pNewID, host::Ref<host::omg::SafeFolder>& pfolder,
                           FolderWork work, const char* procedure) {
  host::ResumeNext on_error(procedure, trace_);
  ForEachSubfolder(
      pfolder, on_error,
      [&](const host::Ref<host::outlook::MAPIFolder>& folder) {
        (this->*work)(pNewID, folder, on_error);
        return true;
      },
      [&](host::Ref<host::omg::SafeFolder>& wrapper) { WalkFolderTree(pNewID, wrapper, work, procedure); });
  ReleaseWalkObjects();
}

}  // namespace app
