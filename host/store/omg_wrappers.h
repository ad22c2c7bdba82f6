#pragma once

#include "host/omg.h"

// The wrapper library over any host::outlook objects (store-backed or test
// decorators): every member acts on the held object.
namespace store {

// A folder wrapper that holds nothing yet.
host::Ref<host::omg::SafeFolder> MakeSafeFolder();

// An item wrapper that holds nothing yet. Every member but SetItem fails
// with error 91 while it holds nothing; SetCompanyName fails with error 438
// on a post wrapper and needs a contact on a contact wrapper.
host::Ref<host::omg::SafeItem> MakeSafeContactItem();
host::Ref<host::omg::SafeItem> MakeSafePostItem();

}  // namespace store
