#pragma once

#include <stdexcept>
#include <string>

namespace host {

// Error numbers that the program itself raises or tests for. Hosts may throw
// any other number with their own description.
inline constexpr long kSubscriptOutOfRange = 9;
inline constexpr long kTypeMismatch = 13;
inline constexpr long kObjectNotSet = 91;
inline constexpr long kCannotCreateObject = 429;
inline constexpr long kNotSupported = 438;
// MAPI_E_NOT_FOUND: an entry or store identifier, a name or a position that
// the store does not hold.
inline constexpr long kNotFound = -2147221233;

// The one error type of a failing host call: a number and a description,
// as the caller's error state records them.
class Error : public std::runtime_error {
 public:
  Error(long number, const std::string& description)
      : std::runtime_error(description), number_(number) {}

  long number() const { return number_; }
  std::string description() const { return what(); }

 private:
  long number_;
};

// A failure of the CRM store as a whole (damaged, full, read-only, failing
// with I/O errors), as opposed to one item that cannot be read or changed.
// No resume-next handling skips it: the run ends at once, and the
// description is the one line the user is shown.
class StoreFailure : public Error {
 public:
  using Error::Error;
};

// A failure of the store that running the same transaction again may not
// meet: its transaction conflicted with another program's (a serialization
// failure or a deadlock), and nothing of it was written. Whoever runs the
// transaction may run it again; where nobody does, it ends the run as any
// StoreFailure does.
class StoreConflict : public StoreFailure {
 public:
  using StoreFailure::StoreFailure;
};

// A failure of the store at a commit that it cannot tell the outcome of:
// the connection to the server was lost before the server answered, so the
// transaction may have been kept or not.
class StoreCommitInDoubt : public StoreFailure {
 public:
  using StoreFailure::StoreFailure;
};

// Error 91, raised by a member call through a reference that holds nothing.
Error ObjectNotSet();

// Error 9, raised by reading an array element that does not exist.
Error SubscriptOutOfRange();

// Error 429: the object named by `what` cannot be made; `why` says why.
Error CannotCreate(const std::string& what, const std::string& why);

}  // namespace host
