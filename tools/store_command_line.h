#pragma once

#include <cstdint>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/demo_store.h"

namespace storetool {

// A command line that does not fit: unknown command or option, a missing or
// bad value. Its text names the problem; `command` is the command it was
// given to ("" when there was none).
class UsageError : public std::runtime_error {
 public:
  UsageError(const std::string& what, std::string command)
      : std::runtime_error(what), command_(std::move(command)) {}
  const std::string& command() const { return command_; }

 private:
  std::string command_;
};

// What the command line asks for.
struct Request {
  std::string command;  // "" when help or the version was shown instead
  std::string store;    // --store; "" for the store the environment names
  std::string argument;  // the command's one argument: FILE, ENTRYID, KEY, RUN, COMMAND or copy's SRC
  std::string outlook_version;
  bool force = false;  // undo --force
  bool prune = false;  // history --prune
  std::string sysini;  // reports-dsn --sysini: the folder for odbc.ini and odbcinst.ini; "" for none
  std::string output;  // export --output: the new file; "" for standard output
  std::string target;  // copy: the new store's location
  DemoOptions demo;
};

// Reads the words after the program name: options before or after the
// command, "--" ending the options. Writes the help (--help, also after a
// command) or the version (--version) on `out` and yields a request with no
// command. Throws UsageError.
Request ParseCommandLine(const std::vector<std::string>& args, std::ostream& out);

}  // namespace storetool
