#include "host/resume_next.h"

namespace host {

void ResumeNext::Record(const Error& error) {
  number_ = error.number();
  description_ = error.description();
  if (trace_ != nullptr) {
    *trace_ << "trace: " << procedure_ << ": error " << number_ << ": " << description_ << '\n';
  }
}

void ResumeNext::Clear() {
  number_ = 0;
  description_.clear();
}

}  // namespace host
