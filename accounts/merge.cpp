#include <array>
#include <utility>

#include "accounts/account_filter.h"
#include "app/form1.h"

namespace app {
namespace {

// Each location account field and the surviving account's property it takes.
constexpr std::array<std::pair<const char*, const char*>, 4> kLocationFields = {{
    {"Account Parent", "Account Name"},
    {"Account Manager", "Account Manager"},
    {"Team", "Team"},
    {"Alignment", "Alignment"},
}};

constexpr std::array<const char*, 5> kNoteFields = {"AccountID", "Account Name", "Account Manager",
                                                    "Team", "Alignment"};
constexpr std::array<const char*, 5> kItemProperties = {"AccountID", "Alignment", "Account Manager",
                                                        "Team", "Account Name"};

}  // namespace

void Form1::Merge() {
  if (Param(3) == Param(4)) {
    MsgBox("You selected the same account, please select a different account to merge.",
           host::MsgBoxButtons::kOkOnly);
    EndRun(Outcome::kNotDone, "the same account was given twice", true);
  }
  RefuseEmptyKey(3);
  RefuseEmptyKey(4);
  // From here to its end the run is one transaction: another run that
  // shares an account waits for it, or it for the other.
  InRunTransaction({Param(3), Param(4)}, [&] { MergeTaken(); });
}

void Form1::MergeTaken() {
  OpenAccountItem();
  if (myitem.IsNothing()) EndRun(Outcome::kNotDone, "the account item " + Param(1) + " does not exist");

  OpenCdoDatabaseFolder();
  DoEvents();
  RewriteLocationAccounts(Param(4), [&] {
    // The parent key goes last: until it is written the location account
    // still answers to the merged key, so a run cut short is finished by
    // running the command again.
    for (const auto& [field, property] : kLocationFields) {
      WriteField(field, MyOLItem->UserProperties()->Find(property)->Value());
    }
    WriteField("Account LocationID", Param(3));
  });

  RecurseMerge(Param(4), safeFolder);

  MyOLItems = HostFolder->Items();
  MyOLItem = host::outlook::AsPostItem(MyOLItems->Find(accounts::AccountIdFilter(Param(4))));
  if (MyOLItem.IsNothing()) throw host::Error(host::kObjectNotSet, "no account item has the merged key " + Param(4));
  MyOLItem->Delete();
  ProgramEnd();
}

void Form1::RecurseMerge(const std::string& pNewID, host::Ref<host::omg::SafeFolder>& pfolder) {
  WalkFolderTree(pNewID, pfolder, &Form1::MergeFolderItems, "RecurseMerge");
}

void Form1::MergeFolderItems(const std::string& key,
                             const host::Ref<host::outlook::MAPIFolder>& folder,
                             host::ResumeNext& on_error) {
  host::Ref<host::outlook::Items> related;
  int count = 0;
  on_error([&] { related = folder->Items()->Restrict(accounts::AccountIdFilter(key)); });
  on_error([&] { count = related->Count(); });
  for (int i = count; i >= 1; --i) {
    DoEvents();
    MergeItem(related, i, on_error);
  }
}

void Form1::MergeItem(const host::Ref<host::outlook::Items>& related, int index,
                      host::ResumeNext& on_error) {
  bool contact = false;
  on_error([&] { contact = related->Item(index)->TypeName() == "ContactItem"; });
  host::Ref<host::omg::SafeItem> wrapper;
  on_error([&] {
    wrapper = contact ? platform_.CreateSafeContactItem() : platform_.CreateSafePostItem();
  });
  on_error([&] { wrapper->SetItem(related->Item(index)); });
  if (contact) {
    on_error([&] {
      wrapper->SetCompanyName(host::ToText(MyOLItem->UserProperties()->Item("Account Name")->Value()));
    });
  }
  std::string message_class;
  on_error([&] { message_class = wrapper->MessageClass(); });
  if (message_class == "IPM.StickyNote") {
    RewriteNoteThroughCdo(wrapper, on_error);
  } else {
    for (const char* name : kItemProperties) {
      on_error([&] {
        const host::Value value = MyOLItem->UserProperties()->Item(name)->Value();
        if (UsesItemProperties()) {
          wrapper->itemproperties()->Item(name)->SetValue(value);
        } else {
          wrapper->UserProperties()->Item(name)->SetValue(value);
        }
      });
    }
  }
  if (!on_error([&] { wrapper->Save(); })) {
    NoteUnchanged([&] { return related->Item(index)->EntryID(); }, on_error);
  }
}

void Form1::RewriteNoteThroughCdo(const host::Ref<host::omg::SafeItem>& wrapper,
                                  host::ResumeNext& on_error) {
  std::string entry_id;
  on_error([&] {
    entry_id = wrapper->EntryID();
    omess = objSession->GetMessage(entry_id, wrapper->Parent()->StoreID());
  });
  on_error([&] { objFields = omess->Fields(); });
  for (const char* name : kNoteFields) {
    on_error([&] {
      objField = objFields->Add(name, host::kClassText, myitem->Fields()->Item(name)->Value());
    });
  }
  if (!on_error([&] { omess->Update(true, true); })) {
    NoteUnchanged([&] { return entry_id; }, on_error);
  }
  omess.Reset();
  objField.Reset();
  objFields.Reset();
}

}  // namespace app
