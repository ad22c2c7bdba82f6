#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace store::pg {

// What a failure reported by the server (its SQLSTATE) means for a run.
enum class FailureKind {
  kConflict,     // 40001 serialization failure, 40P01 deadlock: may be run again
  kLockTimeout,  // 55P03: a lock was not granted within lock_timeout
  kStoreWide,    // lost connection (class 08, or none at all), server shutdown
                 // (57P01 to 57P03), disk full (53100), read-only (25006),
                 // damaged data (XX001, XX002): the store is unusable
  kStatement,    // anything else: this statement failed
};

// The kind of a failure with that SQLSTATE; `connection_lost` says that the
// connection is gone, whatever the state (libpq reports its own failures
// without one).
FailureKind Classify(std::string_view sqlstate, bool connection_lost);

// What the server said about a failure.
struct ServerFailure {
  std::string sqlstate;       // "" when the failure came from libpq itself
  std::string message;        // the primary message, one line
  bool connection_lost = false;
};

// Throws the error a failure means, naming the store by `location` (its
// password masked): host::StoreConflict, host::StoreFailure ("another
// program kept the CRM store LOCATION locked for more than N s", a lost
// connection, a full disk, a read-only or damaged store), else host::Error
// "the CRM store LOCATION: MESSAGE (in CONTEXT)".
[[noreturn]] void ThrowFailure(const std::string& location, const ServerFailure& failure,
                               std::chrono::milliseconds lock_timeout, std::string_view context);
// Throws host::StoreCommitInDoubt for the connection lost, with `failure`,
// while a commit was on its way: the server may have committed first.
[[noreturn]] void ThrowCommitInDoubt(const std::string& location, const ServerFailure& failure);

}  // namespace store::pg
