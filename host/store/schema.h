#pragma once

#include <functional>
#include <memory>
#include <string>

#include "host/store/database.h"

namespace store {

// Marks a SQLite file as a CRM store ("QRVA").
inline constexpr int kApplicationId = 0x51525641;
// The layout this program writes. A store of an older layout it knows is read
// as it is and upgraded when it is opened for writing; any other is refused.
inline constexpr int kSchemaVersion = 4;
inline constexpr int kOldestSchemaVersion = 1;

// The name of the database folder that a new store holds.
inline constexpr char kDatabaseFolderName[] = "Account Profiles";

// Opens an existing store. Throws host::Error ("cannot open the CRM store
// PATH: WHY"), leaving the file unchanged, when it is missing or cannot be
// opened, is not a CRM store, or is of a layout version it does not know.
// A store of an older layout is upgraded first, in one transaction. The
// connection makes no automatic checkpoints: its owner calls
// CheckpointQuietly when its work is done (closing the last connection to a
// store checkpoints it too). With `upgrade` false an older layout is left
// for the caller to upgrade with UpgradeStore.
std::unique_ptr<Database> OpenStore(const std::string& path, bool upgrade = true);

// Upgrades a store of an older layout to the current one in one
// transaction (a savepoint of the caller's, when one is open); a store of
// the current layout is left as it is. Throws host::Error, changing nothing.
void UpgradeStore(Database& db);

// Whether the store keeps a journal (layout 3 on).
bool HasJournal(const Database& db);

// Copies what the log holds back into the store file as far as no reader
// needs it (a PASSIVE checkpoint). Every commit is durable without it, so a
// failure is ignored: the next checkpoint copies the pages.
void CheckpointQuietly(Database& db);

// Opens an existing store for reading only: nothing in the file or beside it
// is changed, and read-only files and folders can be read. Throws as
// OpenStore, but upgrades nothing; a write through it throws
// host::StoreFailure (read-only).
std::unique_ptr<Database> OpenStoreReadOnly(const std::string& path);

// Creates a new, empty store (no folders) with that store identifier and
// mail-client version: the file 0600, missing folders above it 0700, or the
// schema on a server. `fill`, when given, runs in the transaction that makes
// the store, so that a store it fails to fill is never there. Throws
// host::Error when a store is there already or cannot be made.
std::unique_ptr<Database> CreateStore(const std::string& path, const std::string& store_id,
                                      const std::string& outlook_version,
                                      const std::function<void(Database&)>& fill = nullptr);

// A new random identifier: `bytes` random bytes as upper-case hexadecimal.
std::string NewIdentifier(int bytes);

// How many levels folders nest below the store's root at the most: the
// database folder is level 1. Deeper folders are refused where they would be
// made, reported by check, and never handed out to the walks: counting the
// subfolders of a folder at this level fails, naming them.
inline constexpr int kMaxFolderDepth = 200;

// Sizes of new identifiers.
inline constexpr int kStoreIdBytes = 16;
inline constexpr int kEntryIdBytes = 24;

}  // namespace store
