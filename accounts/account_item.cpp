#include "accounts/account_filter.h"
#include "app/form1.h"

// The account item and location-account operations that Merge and Delete share.
namespace app {

void Form1::RefuseEmptyKey(std::size_t index) {
  // A missing field is not an empty key: reading it fails where the command
  // first needs it, as any short command record does.
  if (index >= myParam.size() || !myParam[index].empty()) return;
  static constexpr const char* kFieldNames[] = {"Function", "EntryID", "SearchID", "CurrentID",
                                                "NewID"};
  EndRun(Outcome::kNotDone, "the key in field " + std::to_string(index) + " (" +
                                kFieldNames[index] +
                                ") is empty; no account has an empty key, so nothing was changed");
}

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

void Form1::RewriteLocationAccounts(const std::string& key, const std::function<void()>& rewrite) {
  oMessCol = CDOFolder->Messages();
  oFilter = oMessCol->Filter();
  objField = oFilter->Fields()->Add("Account LocationID", host::kClassText, key);
  oFilter->Fields()->Item("Account LocationID")->SetValue(objField->Value());
  for (int i = oMessCol->Count(); i >= 1; --i) {
    DoEvents();
    omess = oMessCol->Item(i);
    objFields = omess->Fields();
    rewrite();
  }
}

void Form1::WriteField(const std::string& name, const host::Value& value) {
  objField = objFields->Add(name, host::kClassText, value);
  omess->Update(true, true);
}

}  // namespace app
