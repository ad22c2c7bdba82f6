#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "host/store/store_hosts.h"
#include "host/store/test_store.h"

namespace store::testing {

// A test store (a temporary file, or a database on the test server) and the
// store hosts over it, with the ways in that the host tests share.
class StoreTest : public ::testing::Test {
 protected:
  explicit StoreTest(const std::string& outlook_version = "16.0.0.0")
      : store_(location_.str(), outlook_version), hosts_(location_.str()) {}

  // The "MAPI" namespace of a new application.
  host::Ref<host::outlook::Namespace> Mapi() { return hosts_.CreateApplication()->GetNamespace("MAPI"); }
  // The folder or item with that id (or entry identifier) through the namespace.
  host::Ref<host::outlook::MAPIFolder> Folder(std::int64_t folder) {
    return Mapi()->GetFolderFromID(TestStore::FolderEntryId(folder), TestStore::kStoreId);
  }
  host::Ref<host::outlook::Item> Item(const std::string& entry_id) {
    return Mapi()->GetItemFromID(entry_id, TestStore::kStoreId);
  }
  host::Ref<host::outlook::Item> Item(std::int64_t item) { return Item(TestStore::EntryId(item)); }
  // A new session, logged on.
  host::Ref<host::cdo::Session> LoggedOn() {
    auto session = hosts_.CreateSession();
    session->Logon("", "", false, false, 0);
    return session;
  }

  TempDir dir_;
  StoreLocation location_{dir_};
  TestStore store_;
  StoreHosts hosts_;
};

}  // namespace store::testing
