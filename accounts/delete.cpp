#include "accounts/account_filter.h"
#include "app/form1.h"

namespace app {

void Form1::Delete() {
  RefuseEmptyKey(3);
  const std::string& entry_id = Param(1);
  MyOLItem = host::outlook::AsPostItem(
      olapp->GetNamespace("MAPI")->GetItemFromID(entry_id, HostFolder->StoreID()));
  const std::string question =
      "Are you sure you want to delete '" + MyOLItem->Subject() + "' and all subitems?";
  if (MsgBox(question, host::MsgBoxButtons::kYesNo) != host::MsgBoxResult::kYes) {
    EndRun(Outcome::kNotDone, "the user answered No", true);
  }
  // Taken only now, so that no lock is held while the question waits; the
  // account item may have been deleted by another run in the meantime.
  InRunTransaction({Param(3)}, [&] { DeleteTaken(); });
}

void Form1::DeleteTaken() {
  try {
    OpenAccountItem();
  } catch (const host::Error& error) {
    if (error.number() != host::kNotFound) throw;
  }
  if (myitem.IsNothing()) EndRun(Outcome::kNotDone, "the account item " + Param(1) + " does not exist");

  DoEvents();
  OpenCdoDatabaseFolder();
  RewriteLocationAccounts(Param(3), [&] {
    // The parent key goes last, so a run cut short leaves the location
    // account selectable and running the command again finishes it.
    WriteField("Account Parent", std::string());
    WriteField("Account LocationID", std::string());
  });

  RecurseDelete(Param(3), safeFolder);
  MyOLItem->Delete();
  ProgramEnd();
}

void Form1::RecurseDelete(const std::string& pNewID, host::Ref<host::omg::SafeFolder>& pfolder) {
  WalkFolderTree(pNewID, pfolder, &Form1::DeleteFolderItems, "RecurseDelete");
}

void Form1::DeleteFolderItems(const std::string& key,
                              const host::Ref<host::outlook::MAPIFolder>& folder,
                              host::ResumeNext& on_error) {
  host::Ref<host::outlook::Items> related;
  on_error([&] { related = folder->Items()->Restrict(accounts::AccountIdFilter(key)); });
  if (related.IsNothing()) return;
  int count = 0;
  on_error([&] { count = related->Count(); });
  for (int i = count; i >= 1; --i) {
    DoEvents();
    if (!on_error([&] { related->Remove(i); })) {
      NoteUnchanged([&] { return related->Item(i)->EntryID(); }, on_error);
    }
  }
}

}  // namespace app
