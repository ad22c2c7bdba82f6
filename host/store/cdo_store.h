#pragma once

#include <memory>

#include "host/cdo.h"
#include "host/store/item_record.h"
#include "host/store/store_rows.h"
#include "host/store/store_session.h"

// The CDO view (host::cdo) over the same rows as the mail-store view: an
// item's user properties are its message's named fields.
namespace store {

// Error number of a call on a session that is not logged on
// (MAPI_E_NOT_INITIALIZED).
inline constexpr long kNotLoggedOn = -2147219963;

// A session that is not logged on; Logon opens the session's store file.
host::Ref<host::cdo::Session> MakeCdoSession(std::shared_ptr<StoreSession> session);

// The messages of a folder, with an empty filter. Each filter field keeps the
// messages whose field of that name equals its value exactly. Positions are
// fixed by the first Count or Item after the filter changed; Add stores a
// message at once without adding it to positions already fixed.
host::Ref<host::cdo::Messages> MakeMessages(std::shared_ptr<StoreSession> session, FolderRow folder);

// A new object for the message of that row, with no changes of its own.
host::Ref<host::cdo::Message> MakeMessage(std::shared_ptr<StoreSession> session, ItemRow row);
// A message object over a record (one that already read the item's properties).
host::Ref<host::cdo::Message> MakeMessage(std::shared_ptr<ItemRecord> record);

}  // namespace store
