#pragma once

#include <string>

#include "host/ref.h"
#include "host/value.h"

// The mail-store view of the CRM store: the mail client's application,
// namespace, folders, item collections and items. Every member that fails
// throws host::Error; "nothing" results are stated per member.
namespace host::outlook {

class Inspector;
class Item;
class Items;
class MAPIFolder;
class Namespace;

// The mail client's application object.
class Application {
 public:
  virtual ~Application() = default;
  // The namespace of that name; only "MAPI" exists, any other name fails.
  virtual Ref<Namespace> GetNamespace(const std::string& type) = 0;
  // The item window that is active now, else the topmost one; fails when no
  // item window is shown.
  virtual Ref<Inspector> ActiveInspector() = 0;
};

// A window that shows an item.
inline constexpr int kOlMinimized = 1;

class Inspector {
 public:
  virtual ~Inspector() = default;
  // kOlMinimized minimizes the window through the window manager; any other
  // state, or a window that is gone, fails.
  virtual void SetWindowState(int state) = 0;
};

class Namespace {
 public:
  virtual ~Namespace() = default;
  // The item with that entry identifier in the store with that identifier;
  // fails when either does not exist.
  virtual Ref<Item> GetItemFromID(const std::string& entry_id, const std::string& store_id) = 0;
  // The folder with that entry identifier in that store; fails when either
  // does not exist.
  virtual Ref<MAPIFolder> GetFolderFromID(const std::string& entry_id,
                                          const std::string& store_id) = 0;
};

// The subfolders of a folder, in the store's order.
class Folders {
 public:
  virtual ~Folders() = default;
  virtual int Count() = 0;
  // The folder at a 1-based position; fails outside 1..Count.
  virtual Ref<MAPIFolder> Item(int index) = 0;
  // The subfolder with exactly that name; fails when there is none.
  virtual Ref<MAPIFolder> Item(const std::string& name) = 0;
};

class MAPIFolder {
 public:
  virtual ~MAPIFolder() = default;
  virtual std::string Name() = 0;
  virtual std::string EntryID() = 0;
  virtual std::string StoreID() = 0;
  // The message class new items of this folder get, such as "IPM.Post".
  virtual std::string DefaultMessageClass() = 0;
  virtual Ref<outlook::Folders> Folders() = 0;
  // The folder's items, in the store's order.
  virtual Ref<outlook::Items> Items() = 0;
};

// An ordered collection of items: all items of a folder, or those that a
// restriction selected (fixed when it was made).
class Items {
 public:
  virtual ~Items() = default;
  virtual int Count() = 0;
  // The item at a 1-based position; fails outside 1..Count.
  virtual Ref<outlook::Item> Item(int index) = 0;
  // The first item that the filter matches, or nothing when none does; a
  // malformed filter fails.
  virtual Ref<outlook::Item> Find(const std::string& filter) = 0;
  // A new collection of the items that the filter matches, in this
  // collection's order; a malformed filter fails.
  virtual Ref<outlook::Items> Restrict(const std::string& filter) = 0;
  // Orders this collection by the property named like "[AccountID]".
  virtual void Sort(const std::string& property, bool descending = false) = 0;
  // Creates a new item of that message class in the collection's folder. It
  // is stored by its first Save; until then its EntryID is empty.
  virtual Ref<outlook::Item> Add(const std::string& message_class) = 0;
  // Deletes the item at a 1-based position from its folder and from this
  // collection; later positions move down by one.
  virtual void Remove(int index) = 0;
};

// A named property of an item.
class Property {
 public:
  virtual ~Property() = default;
  virtual std::string Name() = 0;
  virtual host::Value Value() = 0;
  // Changes the value in the item object; the item's Save stores it.
  virtual void SetValue(const host::Value& value) = 0;
};

// The user-defined properties of an item.
class UserProperties {
 public:
  virtual ~UserProperties() = default;
  // The property of that name, or nothing when the item has none.
  virtual Ref<Property> Find(const std::string& name) = 0;
  // The property of that name; fails when the item has none.
  virtual Ref<Property> Item(const std::string& name) = 0;
  // Adds a property of that type (kOlText, ...) with an empty value, or
  // yields the existing one of that name.
  virtual Ref<Property> Add(const std::string& name, int type) = 0;
};

// All properties of an item by name; here, its user properties.
class ItemProperties {
 public:
  virtual ~ItemProperties() = default;
  // The property of that name; fails when the item has none.
  virtual Ref<Property> Item(const std::string& name) = 0;
  // Adds a property of that type with an empty value, or yields the
  // existing one of that name.
  virtual Ref<Property> Add(const std::string& name, int type) = 0;
};

// One item of the store. Changes made through this object are kept in it
// until Save, which stores exactly those changes and nothing read earlier.
class Item {
 public:
  virtual ~Item() = default;
  // The object model's type name: "PostItem" for IPM.Post and IPM.Post.*,
  // "ContactItem", "NoteItem" for IPM.StickyNote, "MailItem", ...
  virtual std::string TypeName() = 0;
  virtual std::string MessageClass() = 0;
  virtual std::string EntryID() = 0;
  virtual std::string Subject() = 0;
  // The company of a contact; fails for other items.
  virtual std::string CompanyName() = 0;
  virtual void SetCompanyName(const std::string& name) = 0;
  virtual Ref<outlook::UserProperties> UserProperties() = 0;
  virtual Ref<ItemProperties> itemproperties() = 0;  // NOLINT: the object model's name
  // The folder that holds the item.
  virtual Ref<MAPIFolder> Parent() = 0;
  virtual Ref<outlook::Application> Application() = 0;
  // Stores the changes made through this object in one transaction.
  virtual void Save() = 0;
  // Deletes the item from the store.
  virtual void Delete() = 0;
  // Opens the item on the screen (or the console); fails when it cannot be
  // shown. An item that Items.Add made and nothing saved yet is shown as new.
  virtual void Display() = 0;
};

// Binds an item as a post item: yields it when its type name is "PostItem"
// or when it is nothing, and fails with a type mismatch otherwise.
Ref<Item> AsPostItem(const Ref<Item>& item);

}  // namespace host::outlook
