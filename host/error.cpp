#include "host/error.h"

namespace host {

Error ObjectNotSet() {
  return Error(kObjectNotSet, "Object variable or With block variable not set");
}

Error SubscriptOutOfRange() { return Error(kSubscriptOutOfRange, "Subscript out of range"); }

Error CannotCreate(const std::string& what, const std::string& why) {
  return Error(kCannotCreateObject, "cannot make " + what + ": " + why);
}

}  // namespace host
