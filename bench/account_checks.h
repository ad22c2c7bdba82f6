#pragma once

#include <map>
#include <string>
#include <vector>

#include "bench/plain_commands.h"

// What accounts_bench checks of each way's warm-up run, so that the figures
// compare the same work: the key's items are gone, every way left the rows
// the program left, the undo gave back the rows from before, and the program
// left the same rows on every engine (in their texts: the types differ).
namespace bench {

// One command on one store of one engine.
struct Trial {
  std::string engine;
  std::string store;
  std::string command;
  const CommandAccounts& accounts;
};

class AccountChecks {
 public:
  // Before the command's ways run: the untouched copy at `copy`.
  void Start(const Trial& trial, const std::string& copy);
  // After the warm-up run of `way` (one of kWays) on the copy at `copy`.
  // Fails when the copy is not as it must be.
  void Check(const Trial& trial, std::size_t way, const std::string& copy);
  // The table of what each way left.
  void Print() const;

 private:

  StoreDump before_;
  StoreDump program_;
  // What the program left on the first engine, by store and command.
  std::map<std::string, StoreDump> first_engine_;
  std::vector<std::vector<std::string>> rows_ = {
      {"engine", "store", "after", "way", "A000001 items / survivor items / locations of A000001 / all items",
       "items and properties (rows, digest)"}};
};

}  // namespace bench
