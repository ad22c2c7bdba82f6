#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "host/outlook.h"
#include "host/store/item_record.h"
#include "host/store/store_rows.h"
#include "host/store/store_session.h"

// The mail-store view (host::outlook) over a store file. Every object holds
// the shared session; none holds a read open between calls.
namespace store {

// The application: GetNamespace("MAPI") yields the store's namespace.
host::Ref<host::outlook::Application> MakeApplication(std::shared_ptr<StoreSession> session);

// The folder of that row; `level` is its depth below the store's root when
// the caller knows it (a top-level folder is level 1), else the store finds it.
host::Ref<host::outlook::MAPIFolder> MakeFolder(std::shared_ptr<StoreSession> session, FolderRow row,
                                                std::optional<int> level = std::nullopt);

// All items of a folder, in the order they were added. Count asks the store
// each time until positions are first used (Item, Remove, Sort); from then
// on the collection's members and order are fixed. Add makes a new item
// that its first Save stores; the collection does not hold it.
// Restrict yields a collection fixed when made; Sort puts items without the
// property last in either direction, equal values keeping their order.
host::Ref<host::outlook::Items> MakeFolderItems(std::shared_ptr<StoreSession> session, FolderRow row);

// A new object for the item of that row, with no changes of its own.
host::Ref<host::outlook::Item> MakeItem(std::shared_ptr<StoreSession> session, ItemRow row);
// An item object over a record (one that already read the item's properties).
host::Ref<host::outlook::Item> MakeItem(std::shared_ptr<ItemRecord> record);

// A new item of that class for `folder`, stored by its first Save.
host::Ref<host::outlook::Item> MakeNewItem(std::shared_ptr<StoreSession> session, const FolderRow& folder,
                                           std::string message_class);

// The object model's type name for a message class (letter case ignored):
// "PostItem" for IPM.Post and IPM.Post.*, "ContactItem" for IPM.Contact*,
// "NoteItem" for IPM.StickyNote, "MailItem" for IPM.Note and IPM.Note.*,
// "AppointmentItem", "TaskItem", "DistListItem", "JournalItem",
// "MeetingItem", "ReportItem"; any other class gives "PostItem", as the
// product's own forms derive from posts.
std::string TypeNameOf(std::string_view message_class);

}  // namespace store
