#include "host/testing/call_log.h"

#include "host/error.h"

namespace host::testing {

void CallLog::Add(const std::string& member, const std::string& line) {
  calls_.push_back(line);
  if (failing_.count(member) != 0) throw Error(5, member + " failed (fault injected by the test)");
}

}  // namespace host::testing
