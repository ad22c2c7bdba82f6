#pragma once

#include <sys/types.h>

#include <string>

#include "bench/bench_support.h"

// The built quorvia-utilities and quorvia-store run by the account
// benchmarks on a store file or a server's store, on the terminal, Delete's
// question answered Yes.
namespace bench {

// The programs find the terminal and their run log through this process's
// environment: sets it up for runs in `folder`.
void SetRunEnvironment(const WorkFolder& folder);

// Starts quorvia-utilities with `command_line` on the store at `location`,
// with the journal or without, its errors into the file `errors`; yields
// its process id (FinishChild waits for it).
pid_t StartProgram(const WorkFolder& folder, const std::string& location, const std::string& command_line,
                   bool journal, const std::string& errors = "errors.txt");

// Waits for the program StartProgram started with `errors`; fails unless it
// ends with status 0, with what it wrote to standard error.
ChildRun FinishProgram(const WorkFolder& folder, pid_t pid, const std::string& errors = "errors.txt");

// Runs quorvia-utilities as StartProgram starts it, timed; fails unless it
// ends with status 0.
ChildRun RunProgram(const WorkFolder& folder, const std::string& location, const std::string& command_line,
                    bool journal);

// The newest run in the store's journal, as quorvia-store history lists it.
std::string LastRun(const WorkFolder& folder, const std::string& location);

}  // namespace bench
