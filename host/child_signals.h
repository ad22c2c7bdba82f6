#pragma once

#include <signal.h>
#include <spawn.h>

namespace host {

// The programs ignore SIGPIPE: a write to a pipe or socket whose reader is
// gone (a display that went away, a closed standard output) then fails with
// its reason, which the run reports, instead of killing the run half-way.
inline void IgnoreBrokenPipes() { signal(SIGPIPE, SIG_IGN); }

// posix_spawn attributes with `flags` under which the child takes SIGPIPE's
// default action again: an ignored signal stays ignored across exec, and
// the programs a run starts (shell scripts among them) expect the default.
class ChildAttributes {
 public:
  explicit ChildAttributes(short flags = 0) {
    posix_spawnattr_init(&attributes_);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes_, &defaults);
    posix_spawnattr_setflags(&attributes_, static_cast<short>(flags | POSIX_SPAWN_SETSIGDEF));
  }
  ~ChildAttributes() { posix_spawnattr_destroy(&attributes_); }
  ChildAttributes(const ChildAttributes&) = delete;
  ChildAttributes& operator=(const ChildAttributes&) = delete;

  const posix_spawnattr_t* get() const { return &attributes_; }

 private:
  posix_spawnattr_t attributes_;
};

}  // namespace host
