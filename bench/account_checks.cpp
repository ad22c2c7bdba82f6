#include "bench/account_checks.h"

#include <cstdio>
#include <iostream>

#include "bench/account_ways.h"
#include "bench/bench_support.h"

namespace bench {
namespace {

std::string CountsText(const StoreCounts& counts) {
  return std::to_string(counts.key_items) + " / " + std::to_string(counts.survivor_items) + " / " +
         std::to_string(counts.key_locations) + " / " + std::to_string(counts.items);
}

std::string DumpText(const StoreDump& dump) {
  char text[128];
  std::snprintf(text, sizeof text, "%lld items %016llx, %lld properties %016llx, texts %016llx",
                static_cast<long long>(dump.items), static_cast<unsigned long long>(dump.items_digest),
                static_cast<long long>(dump.properties), static_cast<unsigned long long>(dump.properties_digest),
                static_cast<unsigned long long>(dump.texts_digest));
  return text;
}

std::string Name(const Trial& trial, std::size_t way) {
  return trial.command + " on " + trial.engine + ", " + trial.store + ", " + kWays[way];
}

}  // namespace

void AccountChecks::Start(const Trial& trial, const std::string& copy) {
  before_ = DumpStore(copy);
  rows_.push_back({trial.engine, trial.store, "before", "-", CountsText(CountStore(copy, trial.accounts)),
                   DumpText(before_)});
}

void AccountChecks::Check(const Trial& trial, std::size_t way, const std::string& copy) {
  const StoreDump dump = DumpStore(copy);
  if (way == kUndo) {
    if (!(dump == before_)) Fail(Name(trial, way) + ": the undo did not give back the store's rows");
    return;
  }
  const StoreCounts counts = CountStore(copy, trial.accounts);
  if (counts.key_items != 0) Fail(Name(trial, way) + ": items of the key remain");
  rows_.push_back({trial.engine, trial.store, trial.command, kWays[way], CountsText(counts), DumpText(dump)});
  // The program's way runs first in the warm-up round.
  if (way == kProgram) {
    program_ = dump;
    const auto [first, added] = first_engine_.emplace(trial.store + " " + trial.command, dump);
    const StoreDump& other = first->second;
    if (!added && (dump.items != other.items || dump.properties != other.properties ||
                   dump.texts_digest != other.texts_digest)) {
      Fail(Name(trial, way) + " left other rows than on the first engine: " + DumpText(dump) + " against " +
           DumpText(other));
    }
  }
  if (!(dump == program_)) {
    Fail(Name(trial, way) + " left other rows than the program: " + DumpText(dump) + " against " +
         DumpText(program_));
  }
}

void AccountChecks::Print() const {
  std::cout << "after each way's warm-up run (every way must leave the program's items and properties, each\n"
               "engine its own typed digests; the program must leave the same texts on both engines)\n";
  PrintTable(rows_);
}

}  // namespace bench
