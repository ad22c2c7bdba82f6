#pragma once

#include <string>
#include <vector>

namespace host {

// While an object of this class lives, SIGINT, SIGTERM and SIGHUP first
// remove its files, then its folders (each only when empty, in the order
// given), and then end the process as the signal does (status 128 + the
// signal). Signals that the process ignores or handles otherwise are left
// alone. A few objects can live at once; more are not guarded.
class RemovalOnSignal {
 public:
  RemovalOnSignal(const std::vector<std::string>& files, const std::vector<std::string>& folders);
  ~RemovalOnSignal();
  RemovalOnSignal(const RemovalOnSignal&) = delete;
  RemovalOnSignal& operator=(const RemovalOnSignal&) = delete;

 private:
  // Each path behind a letter, 'f' for a file or 'd' for a folder, ended by
  // NUL; an empty entry ends the list. The signal handler reads it as is.
  std::string entries_;
  int slot_ = -1;
};

}  // namespace host
