#pragma once

#include <memory>

#include "host/addin.h"
#include "host/ref.h"
#include "host/store/store_session.h"

namespace store {

// The product add-in over a store: GetFolderId looks up a top-level folder
// (one without a parent) by its exact name, the first one added when there
// are several; GetStoreId and GetOutlookVersion answer what the store keeps.
host::Ref<host::addin::QuorviaConnect> MakeQuorviaConnect(std::shared_ptr<StoreSession> session);

}  // namespace store
