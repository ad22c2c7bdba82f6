#include "host/store/pg/pg_failure.h"

#include "host/error.h"
#include "host/store/database.h"
#include "host/store/store_failure.h"

namespace store::pg {

FailureKind Classify(std::string_view sqlstate, bool connection_lost) {
  if (connection_lost || sqlstate.empty() || sqlstate.starts_with("08")) return FailureKind::kStoreWide;
  if (sqlstate == "40001" || sqlstate == "40P01") return FailureKind::kConflict;
  if (sqlstate == "55P03") return FailureKind::kLockTimeout;
  if (sqlstate == "57P01" || sqlstate == "57P02" || sqlstate == "57P03" || sqlstate == "53100" ||
      sqlstate == "25006" || sqlstate == "XX001" || sqlstate == "XX002") {
    return FailureKind::kStoreWide;
  }
  return FailureKind::kStatement;
}

namespace {

// How every message of a lost connection begins.
std::string LostConnection(const std::string& location) {
  return "the connection to the CRM store " + location + " was lost";
}

// The one line a user is shown for a failure that makes the store unusable.
std::string StoreWideText(const std::string& location, const ServerFailure& failure) {
  const std::string& state = failure.sqlstate;
  if (state == "53100") return FullDisk(location);
  if (state == "25006") return ReadOnlyStore(location);
  if (state == "XX001" || state == "XX002") return DamagedStore(location, failure.message);
  return LostConnection(location) + " (" + failure.message + ")";
}

}  // namespace

void ThrowFailure(const std::string& location, const ServerFailure& failure,
                  std::chrono::milliseconds lock_timeout, std::string_view context) {
  switch (Classify(failure.sqlstate, failure.connection_lost)) {
    case FailureKind::kConflict:
      throw host::StoreConflict(kStoreError, "the CRM store " + location + ": " + failure.message);
    case FailureKind::kLockTimeout:
      throw host::StoreFailure(kStoreError, LockedTooLong(location, lock_timeout));
    case FailureKind::kStoreWide:
      throw host::StoreFailure(kStoreError, StoreWideText(location, failure));
    case FailureKind::kStatement:
      break;
  }
  throw host::Error(kStoreError,
                    "the CRM store " + location + ": " + failure.message + " (in " + std::string(context) + ")");
}

void ThrowCommitInDoubt(const std::string& location, const ServerFailure& failure) {
  throw host::StoreCommitInDoubt(kStoreError, LostConnection(location) + " while its changes were committed (" +
                                                  failure.message + "): whether the server kept them is unknown");
}

}  // namespace store::pg
