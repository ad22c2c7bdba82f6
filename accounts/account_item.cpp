#include "accounts/account_filter.h"
#include "app/form1.h"

// The store operations that Merge and Delete share.
namespace app {

bool Form1::UsesItemProperties() const { return accounts::IsVersion11OrLater(olversion); }

void Form1::OpenAccountItem() {
  const std::string& entry_id = Param(1);
  myitem = objSession->GetMessage(entry_id, HostFolder->StoreID());
  auto mapi = olapp->GetNamespace("MAPI");
  MyOLItem = host::outlook::AsPostItem(mapi->GetItemFromID(entry_id, HostFolder->StoreID()));
}

void Form1::OpenCdoDatabaseFolder() {
  const std::string entry_id = HostFolder->EntryID();
  CDOFolder = objSession->GetFolder(entry_id, HostFolder->StoreID());
}

void Form1::FilterLocationAccounts(const std::string& key) {
  oMessCol = CDOFolder->Messages();
  oFilter = oMessCol->Filter();
  objField = oFilter->Fields()->Add("Account LocationID", host::kClassText, key);
  oFilter->Fields()->Item("Account LocationID")->SetValue(objField->Value());
}

void Form1::WriteField(const std::string& name, const host::Value& value) {
  objField = objFields->Add(name, host::kClassText, value);
  omess->Update(true, true);
}

void Form1::WalkFolderTree(const std::string& pNewID, host::Ref<host::omg::SafeFolder>& pfolder,
                           FolderWork work, const char* procedure) {
  host::ResumeNext on_error(procedure, trace_);
  host::Ref<host::outlook::Folders> folders;
  int count = 0;
  on_error([&] { folders = pfolder->Item()->Folders(); });
  on_error([&] { count = folders->Count(); });
  for (int i = 1; i <= count; ++i) {
    host::Ref<host::outlook::MAPIFolder> folder;
    on_error([&] { folder = folders->Item(i); });
    DoEvents();
    (this->*work)(pNewID, folder, on_error);
    int subfolders = 0;
    on_error([&] { subfolders = folder->Folders()->Count(); });
    if (subfolders > 0) {
      host::Ref<host::omg::SafeFolder> wrapper;
      on_error([&] { wrapper = platform_.CreateSafeFolder(); });
      on_error([&] { wrapper->SetItem(folder); });
      WalkFolderTree(pNewID, wrapper, work, procedure);
    }
  }
  CDOFolder.Reset();
  oMessCol.Reset();
  oFilter.Reset();
  omess.Reset();
}

}  // namespace app
