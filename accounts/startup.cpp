#include <optional>

#include "accounts/account_filter.h"
#include "app/form1.h"

namespace app {

void Form1::Startup() {
  host::ResumeNext on_error("Startup", trace_);
  host::Ref<host::outlook::Folders> folders;
  int count = 0;
  on_error([&] { folders = HostFolder->Folders(); });
  on_error([&] { count = folders->Count(); });

  host::Ref<host::outlook::Item> found;
  // Never set (reads as "") or the found item's AccountID property; kept
  // from folder to folder when a folder yields no new one.
  std::optional<host::Ref<host::outlook::Property>> key;
  for (int i = 1; i <= count; ++i) {
    host::Ref<host::outlook::MAPIFolder> folder;
    on_error([&] { folder = folders->Item(i); });
    on_error([&] { found = host::outlook::AsPostItem(folder->Items()->Find("[AccountID] <>''")); });
    on_error([&] { key = found->UserProperties()->Find("AccountID"); });
    on_error([&] { folder->Items()->Sort("[AccountID]"); });
    on_error([&] {
      const std::string key_text = key ? host::ToText((*key)->Value()) : std::string();
      folder->Items()->Restrict("[AccountID] =" + accounts::QuoteLiteral(key_text));
    });
  }
  ProgramEnd();
}

}  // namespace app
