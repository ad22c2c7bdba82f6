// Store lookups: the folder walk with a restriction in every folder, and the
// account lookup in the database folder, through the store hosts and with
// plain SQLite on the same file, on a small and a 100 times larger store.

#include <cstdio>
#include <functional>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_support.h"
#include "host/store/sqlite/sqlite_database.h"
#include "host/store/store_hosts.h"

namespace bench {
namespace {

namespace ol = host::outlook;

constexpr char kWalkKey[] = "A000001";  // 1,000 related items over 200 folders
constexpr int kFindKeys = 1000;         // A000001 to A001000: in both stores

std::string Key(int number) {
  char text[16];
  std::snprintf(text, sizeof text, "A%06d", number);
  return text;
}

std::string AccountFilter(const std::string& key) { return "[AccountID] = '" + key + "'"; }

// What one pass saw; both ways must see the same.
struct Seen {
  int items = 0;
  std::size_t text = 0;  // bytes of entry identifiers or subjects read
  bool operator==(const Seen&) const = default;
};

// The lookups as the program makes them, through the mail-store view.
class HostLookups {
 public:
  explicit HostLookups(const std::string& path) : hosts_(path) {
    auto connect = hosts_.CreateConnect();
    auto mapi = hosts_.CreateApplication()->GetNamespace("MAPI");
    host_folder_ = mapi->GetFolderFromID(connect->GetFolderId("Account Profiles"), connect->GetStoreId());
  }

  Seen Walk() {
    Seen seen;
    WalkBelow(host_folder_, AccountFilter(kWalkKey), seen);
    return seen;
  }

  Seen Find() {
    Seen seen;
    for (int number = 1; number <= kFindKeys; ++number) {
      auto item = host_folder_->Items()->Find(AccountFilter(Key(number)));
      if (item.IsNothing()) continue;
      ++seen.items;
      seen.text += item->Subject().size();
    }
    return seen;
  }

 private:
  void WalkBelow(const host::Ref<ol::MAPIFolder>& parent, const std::string& filter, Seen& seen) {
    auto folders = parent->Folders();
    const int count = folders->Count();
    for (int i = 1; i <= count; ++i) {
      auto folder = folders->Item(i);
      auto related = folder->Items()->Restrict(filter);
      const int matching = related->Count();
      for (int j = 1; j <= matching; ++j) {
        ++seen.items;
        seen.text += related->Item(j)->EntryID().size();
      }
      WalkBelow(folder, filter, seen);
    }
  }

  store::StoreHosts hosts_;
  host::Ref<ol::MAPIFolder> host_folder_;
};

// The same lookups as direct queries: the least work that gives the answers.
// Each statement is reset as soon as its rows are read, so that, as with the
// hosts, no read transaction stays open from one lookup to the next.
class SqlLookups {
 public:
  explicit SqlLookups(const std::string& path)
      : db_(path, store::Database::Mode::kOpenExisting),
        children_(db_, "SELECT id FROM folders WHERE parent = ? ORDER BY id"),
        matching_(db_, "SELECT item FROM properties WHERE folder = ? AND name = 'AccountID' AND value = ?"),
        entry_id_(db_, "SELECT entry_id FROM items WHERE id = ?"),
        find_(db_,
              "SELECT i.id, i.subject FROM properties p JOIN items i ON i.id = p.item "
              "WHERE p.folder = ? AND p.name = 'AccountID' AND p.value = ? ORDER BY p.item LIMIT 1") {
    db_.Exec("PRAGMA foreign_keys = ON; PRAGMA synchronous = NORMAL");
    store::Statement top(db_, "SELECT id FROM folders WHERE parent IS NULL AND name = 'Account Profiles'");
    if (!top.Step()) Fail(path + ": no folder \"Account Profiles\"");
    top_ = top.Int(0);
  }

  Seen Walk() {
    Seen seen;
    WalkBelow(top_, seen);
    return seen;
  }

  Seen Find() {
    Seen seen;
    for (int number = 1; number <= kFindKeys; ++number) {
      if (find_.Bind(1, top_).Bind(2, Key(number)).Step()) {
        ++seen.items;
        seen.text += find_.Text(1).size();
      }
      find_.Reset();
    }
    return seen;
  }

 private:
  void WalkBelow(std::int64_t parent, Seen& seen) {
    std::vector<std::int64_t> folders;
    children_.Bind(1, parent);
    while (children_.Step()) folders.push_back(children_.Int(0));
    children_.Reset();
    for (const std::int64_t folder : folders) {
      matching_.Bind(1, folder).Bind(2, std::string_view(kWalkKey));
      while (matching_.Step()) {
        if (!entry_id_.Bind(1, matching_.Int(0)).Step()) Fail("an item without a row");
        ++seen.items;
        seen.text += entry_id_.Text(0).size();
        entry_id_.Reset();
      }
      matching_.Reset();
      WalkBelow(folder, seen);
    }
  }

  store::SqliteDatabase db_;
  store::Statement children_;
  store::Statement matching_;
  store::Statement entry_id_;
  store::Statement find_;
  std::int64_t top_ = 0;
};

// Seconds per pass of each lookup each way: hosts and SQLite, for WALK and FIND.
struct StoreTimes {
  std::vector<double> walk_hosts, walk_sql, find_hosts, find_sql;
  WaySamples samples;  // of the four passes, in that order
};
constexpr const char* kPasses[] = {"WALK, hosts", "WALK, SQLite", "FIND, hosts", "FIND, SQLite"};

// Checks that every pass of a lookup sees what the first one saw.
void Expect(Seen& expected, const Seen& seen) {
  if (expected.items == 0) expected = seen;
  if (!(seen == expected)) Fail("two passes saw different items");
}

// The four passes take turns in every round, both ways open on the file
// throughout.
StoreTimes MeasureStore(const std::string& path, int repetitions) {
  HostLookups hosts(path);
  SqlLookups sql(path);
  Seen walk, find;
  const std::vector<std::function<void()>> passes = {
      [&] { Expect(walk, hosts.Walk()); }, [&] { Expect(walk, sql.Walk()); },
      [&] { Expect(find, hosts.Find()); }, [&] { Expect(find, sql.Find()); }};
  // Both ways run in this process: the peak memory is the process's.
  auto samples = RunRounds(repetitions, passes.size(), [&](std::size_t way, bool) { return InProcess(passes[way]); });
  if (walk.items != 1000) Fail(path + ": the walk found " + std::to_string(walk.items) + " items, not 1000");
  if (find.items != kFindKeys) Fail(path + ": the lookups found " + std::to_string(find.items) + " accounts");
  return {WallTimes(samples[0]), WallTimes(samples[1]), WallTimes(samples[2]), WallTimes(samples[3]), samples};
}

std::string Mib(long kib) { return std::to_string((kib + 512) / 1024); }

std::vector<std::string> MadeRow(const StoreSize& size, const ChildRun& run, const WorkFolder& folder) {
  const auto bytes = std::filesystem::file_size(folder.Path(size.file));
  return {size.name, std::to_string(size.accounts), std::to_string(size.items), std::to_string(bytes / 1'000'000),
          run.made ? Fixed(run.seconds, 1) : "(kept)", run.made ? Mib(run.max_rss_kib) : "-"};
}

void PrintTimes(const std::vector<std::pair<const char*, StoreTimes>>& stores) {
  const double per = kFindKeys;
  std::vector<std::vector<std::string>> rows = {
      {"lookup", "store", "hosts ms", "SQLite ms", "hosts/SQLite (medians)"}};
  auto add = [&](const char* what, const char* store, const std::vector<double>& hosts,
                 const std::vector<double>& sql, double divide) {
    rows.push_back({what, store, MillisSpread(hosts, divide), MillisSpread(sql, divide),
                    Ratio(Median(hosts), Median(sql), 3.0)});
  };
  for (const auto& [name, times] : stores) add("WALK (whole walk)", name, times.walk_hosts, times.walk_sql, 1);
  for (const auto& [name, times] : stores) add("FIND (per lookup)", name, times.find_hosts, times.find_sql, per);
  PrintTable(rows);
  std::cout << "\nwhole passes, both ways in this process (its peak memory so far)\n";
  WayTable table = NewWayTable({"store"});
  for (const auto& [name, times] : stores) {
    AddWays(table, {name}, {kPasses[0], kPasses[1]}, {times.samples[0], times.samples[1]}, 1, 0, 3.0);
    AddWays(table, {name}, {kPasses[2], kPasses[3]}, {times.samples[2], times.samples[3]}, 1, 0, 3.0);
  }
  PrintWays(table);
  if (stores.size() < 2) return;
  const StoreTimes& small = stores[0].second;
  const StoreTimes& large = stores[1].second;
  const auto ratio = [](const std::vector<double>& big, const std::vector<double>& little) {
    return Ratio(Median(big), Median(little), 1.5);
  };
  std::cout << "\n";
  PrintTable({{"lookup", "LARGE/SMALL hosts", "LARGE/SMALL SQLite"},
              {"WALK", ratio(large.walk_hosts, small.walk_hosts), ratio(large.walk_sql, small.walk_sql)},
              {"FIND", ratio(large.find_hosts, small.find_hosts), ratio(large.find_sql, small.find_sql)}});
}

int Run(const Options& options) {
  WorkFolder folder(options);
  std::vector<std::vector<std::string>> made = {
      {"store", "accounts", "items", "file MB", "demo s", "demo peak RSS MiB"}};
  for (const StoreSize& size : Sizes(options)) made.push_back(MadeRow(size, folder.MakeStore(size), folder));
  std::cout << "\nstores (quorvia-store demo, seed 1, 2000 folders, 1000 items of A000001)\n";
  PrintTable(made);
  std::cout << "\nmeasuring: median [min-max] of " << options.repetitions
            << " rounds after one warm-up round; in each round the four passes take turns\n"
            << std::flush;
  std::vector<std::pair<const char*, StoreTimes>> stores;
  for (const StoreSize& size : Sizes(options)) {
    stores.emplace_back(size.name, MeasureStore(folder.Path(size.file).string(), options.repetitions));
  }
  std::cout << "\nWALK: Restrict(\"[AccountID] = 'A000001'\") in every folder below Account Profiles, "
               "each match's EntryID (1000 items in 200 folders)\n"
               "FIND: Items.Find(\"[AccountID] = 'A000nnn'\") in Account Profiles and its Subject, "
            << kFindKeys << " keys\n\n";
  PrintTimes(stores);
  return 0;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
  return bench::BenchmarkMain(argc, argv, "store_bench",
      "Times the folder walk and the account lookup through the store hosts and with plain SQLite\n"
      "on a small and a large demo store.", bench::Run);
}
