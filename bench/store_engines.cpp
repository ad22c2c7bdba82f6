#include "bench/store_engines.h"

#include <cctype>
#include <set>

#include "bench/postgres_server.h"

namespace bench {
namespace {

namespace fs = std::filesystem;

class SqliteFiles final : public StoreEngine {
 public:
  explicit SqliteFiles(const WorkFolder& folder) : folder_(folder) {}

  const char* Name() const override { return "SQLite"; }
  bool Server() const override { return false; }
  std::string Settings() const override { return "a file in WAL mode, synchronous NORMAL"; }
  void AddStore(const StoreSize&, const fs::path&) override {}
  std::string Base(const StoreSize& size) const override { return folder_.Path(size.file).string(); }
  std::string FreshCopy(const StoreSize& size) override {
    const fs::path copy = folder_.Path(std::string("copy-") + size.file);
    CopyStore(Base(size), copy);
    made_.insert(copy);
    return copy.string();
  }
  std::string Empty(const std::string& name) override {
    const fs::path path = folder_.Path(name + ".db");
    RemoveStore(path);
    made_.insert(path);
    return path.string();
  }
  void RemoveCopies() override {
    for (const fs::path& path : made_) RemoveStore(path);
    made_.clear();
  }

 private:
  const WorkFolder& folder_;
  std::set<fs::path> made_;
};

// Lower case, which SQL takes without quotes: SMALL's base is small.
std::string DatabaseName(const std::string& name) {
  std::string lower;
  for (const char c : name) lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  return lower;
}

class PostgresStores final : public StoreEngine {
 public:
  const char* Name() const override { return "PostgreSQL"; }
  bool Server() const override { return true; }
  std::string Settings() const override { return server_.Settings(); }
  void AddStore(const StoreSize& size, const fs::path& file) override {
    server_.NewDatabase(DatabaseName(size.name));
    RunChild({QUORVIA_STORE_PROGRAM, "copy", file.string(), Base(size)}, 0, {}, "/dev/null");
    // Else autovacuum would do it during the measured runs, and each copy
    // would start without the planner's statistics.
    server_.Query(DatabaseName(size.name), "VACUUM (FREEZE, ANALYZE)");
  }
  std::string Base(const StoreSize& size) const override { return server_.Location(DatabaseName(size.name)); }
  std::string FreshCopy(const StoreSize& size) override {
    const std::string copy = "copy_" + DatabaseName(size.name);
    server_.CopyDatabase(DatabaseName(size.name), copy);
    made_.insert(copy);
    return server_.Location(copy);
  }
  std::string Empty(const std::string& name) override {
    server_.NewDatabase(DatabaseName(name));
    made_.insert(DatabaseName(name));
    return server_.Location(DatabaseName(name));
  }
  void RemoveCopies() override {
    for (const std::string& name : made_) server_.DropDatabase(name);
    made_.clear();
  }

 private:
  PostgresServer server_;
  std::set<std::string> made_;
};

}  // namespace

std::unique_ptr<StoreEngine> SqliteEngine(const WorkFolder& folder) { return std::make_unique<SqliteFiles>(folder); }

std::unique_ptr<StoreEngine> PostgresEngine() { return std::make_unique<PostgresStores>(); }

}  // namespace bench
