#pragma once

#include <ostream>
#include <string>
#include <utility>

#include "host/error.h"

namespace host {

// The error handling of a procedure that goes on with the next statement
// when one fails. Each statement runs through operator(); a host::Error that
// it throws is recorded in the error state (number and description, kept
// until Clear or the next failure) and the procedure goes on. Anything else,
// such as the end of the program or a StoreFailure, passes through untouched.
class ResumeNext {
 public:
  // `procedure` names the procedure in trace lines. When `trace` is not null,
  // every skipped failure is written to it as one line:
  // "trace: PROCEDURE: error NUMBER: DESCRIPTION".
  ResumeNext(std::string procedure, std::ostream* trace)
      : procedure_(std::move(procedure)), trace_(trace) {}

  // Runs one statement; a failing statement is skipped. Yields whether the
  // statement succeeded.
  template <class Statement>
  bool operator()(Statement&& statement) {
    try {
      std::forward<Statement>(statement)();
      return true;
    } catch (const StoreFailure&) {
      throw;
    } catch (const Error& error) {
      Record(error);
      return false;
    }
  }

  // Records a failure as if a statement had thrown it.
  void Record(const Error& error);

  // The last failure's number, 0 when there is none since the last Clear.
  long Number() const { return number_; }
  const std::string& Description() const { return description_; }
  void Clear();

 private:
  std::string procedure_;
  std::ostream* trace_;
  long number_ = 0;
  std::string description_;
};

}  // namespace host
