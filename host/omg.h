#pragma once

#include <string>

#include "host/outlook.h"
#include "host/ref.h"

// The wrapper library "QuorviaOMG": objects that hold one mail-store object
// in their Item property and act on it.
namespace host::omg {

// "QuorviaOMG.MAPIFolder": holds one folder.
class SafeFolder {
 public:
  virtual ~SafeFolder() = default;
  // The folder last assigned, or nothing.
  virtual Ref<outlook::MAPIFolder> Item() = 0;
  virtual void SetItem(const Ref<outlook::MAPIFolder>& folder) = 0;
};

// "QuorviaOMG.SafeContactItem" and "QuorviaOMG.SafePostItem": hold one item.
// Every member but SetItem fails while no item is held.
class SafeItem {
 public:
  virtual ~SafeItem() = default;
  virtual void SetItem(const Ref<outlook::Item>& item) = 0;
  // The contact's company; the post wrapper does not support it (error 438).
  virtual void SetCompanyName(const std::string& name) = 0;
  virtual std::string MessageClass() = 0;
  virtual std::string EntryID() = 0;
  virtual Ref<outlook::MAPIFolder> Parent() = 0;
  // The held item's user properties; values set through them are stored by Save.
  virtual Ref<outlook::UserProperties> UserProperties() = 0;
  virtual Ref<outlook::ItemProperties> itemproperties() = 0;  // NOLINT: the library's name
  // Stores the changes made through the wrapper, and only those.
  virtual void Save() = 0;
};

}  // namespace host::omg
