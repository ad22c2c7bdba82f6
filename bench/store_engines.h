#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "bench/bench_support.h"

// The engines a benchmark measures the store on: the demo stores as SQLite
// files in the work folder, and the same stores on a private PostgreSQL
// server, each copied in once by quorvia-store copy. Every measured run
// gets a fresh copy of its store, made untimed.
namespace bench {

class StoreEngine {
 public:
  virtual ~StoreEngine() = default;

  // "SQLite" or "PostgreSQL".
  virtual const char* Name() const = 0;
  // Whether the store is a server's, which a team's programs share.
  virtual bool Server() const = 0;
  // What bears on the figures, in a line.
  virtual std::string Settings() const = 0;
  // Makes the base of the store `size` from `file`, the store as a
  // checkpointed SQLite file in the work folder; on a server, vacuumed and
  // analysed as the server's autovacuum leaves a store after a while.
  virtual void AddStore(const StoreSize& size, const std::filesystem::path& file) = 0;
  // The location of the base of the store `size`.
  virtual std::string Base(const StoreSize& size) const = 0;
  // The location of the copy of the store `size`, made anew from its base.
  virtual std::string FreshCopy(const StoreSize& size) = 0;
  // The location `name` emptied, for a program to make a new store at.
  virtual std::string Empty(const std::string& name) = 0;
  // Removes what FreshCopy and Empty made.
  virtual void RemoveCopies() = 0;
};

std::unique_ptr<StoreEngine> SqliteEngine(const WorkFolder& folder);
// Starts the server; it is stopped and removed with the engine.
std::unique_ptr<StoreEngine> PostgresEngine();

}  // namespace bench
