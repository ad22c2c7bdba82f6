// Store lookups: the folder walk with a restriction in every folder, and the
// account lookup in the database folder, through the store hosts and with
// plain SQLite on the same file, on a small and a 100 times larger store.

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "host/store/sqlite_db.h"
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

  store::Database db_;
  store::Statement children_;
  store::Statement matching_;
  store::Statement entry_id_;
  store::Statement find_;
  std::int64_t top_ = 0;
};

// Median seconds of one lookup pass, checking every pass sees `expected`.
template <class Lookups>
double Measure(int repetitions, Lookups& lookups, Seen (Lookups::*pass)(), Seen& expected) {
  return MedianSeconds(repetitions, [&] {
    const Seen seen = (lookups.*pass)();
    if (expected.items == 0) expected = seen;
    if (!(seen == expected)) Fail("two passes saw different items");
  });
}

struct StoreTimes {
  double walk_hosts = 0, walk_sql = 0, find_hosts = 0, find_sql = 0;  // seconds per pass
};

StoreTimes MeasureStore(const std::string& path, int repetitions) {
  StoreTimes times;
  Seen walk, find;
  {
    HostLookups hosts(path);
    times.walk_hosts = Measure(repetitions, hosts, &HostLookups::Walk, walk);
    times.find_hosts = Measure(repetitions, hosts, &HostLookups::Find, find);
  }
  SqlLookups sql(path);
  times.walk_sql = Measure(repetitions, sql, &SqlLookups::Walk, walk);
  times.find_sql = Measure(repetitions, sql, &SqlLookups::Find, find);
  if (walk.items != 1000) Fail(path + ": the walk found " + std::to_string(walk.items) + " items, not 1000");
  if (find.items != kFindKeys) Fail(path + ": the lookups found " + std::to_string(find.items) + " accounts");
  return times;
}

std::string Mib(long kib) { return std::to_string((kib + 512) / 1024); }

std::vector<std::string> MadeRow(const StoreSize& size, const ChildRun& run, const WorkFolder& folder) {
  const auto bytes = std::filesystem::file_size(folder.Path(size.file));
  return {size.name, std::to_string(size.accounts), std::to_string(size.items), std::to_string(bytes / 1'000'000),
          run.made ? Fixed(run.seconds, 1) : "(kept)", run.made ? Mib(run.max_rss_kib) : "-"};
}

void PrintTimes(const StoreTimes& small, const StoreTimes& large) {
  const double per = 1.0 / kFindKeys;
  std::vector<std::vector<std::string>> rows = {{"lookup", "store", "hosts ms", "SQLite ms", "hosts/SQLite"}};
  auto add = [&](const char* what, const char* store, double hosts, double sql) {
    rows.push_back({what, store, Millis(hosts), Millis(sql), Ratio(hosts, sql, 3.0)});
  };
  add("WALK (whole walk)", "SMALL", small.walk_hosts, small.walk_sql);
  add("WALK (whole walk)", "LARGE", large.walk_hosts, large.walk_sql);
  add("FIND (per lookup)", "SMALL", small.find_hosts * per, small.find_sql * per);
  add("FIND (per lookup)", "LARGE", large.find_hosts * per, large.find_sql * per);
  PrintTable(rows);
  std::cout << "\n";
  PrintTable({{"lookup", "LARGE/SMALL hosts", "LARGE/SMALL SQLite"},
              {"WALK", Ratio(large.walk_hosts, small.walk_hosts, 1.5), Ratio(large.walk_sql, small.walk_sql, 1.5)},
              {"FIND", Ratio(large.find_hosts, small.find_hosts, 1.5), Ratio(large.find_sql, small.find_sql, 1.5)}});
}

int Run(const Options& options) {
  WorkFolder folder(options);
  const ChildRun small_made = folder.MakeStore(kSmall);
  const ChildRun large_made = folder.MakeStore(kLarge);
  std::cout << "\nstores (quorvia-store demo, seed 1, 2000 folders, 1000 items of A000001)\n";
  PrintTable({{"store", "accounts", "items", "file MB", "demo s", "demo peak RSS MiB"},
              MadeRow(kSmall, small_made, folder),
              MadeRow(kLarge, large_made, folder)});
  std::cout << "\nmeasuring: median of " << options.repetitions << " after one warm-up pass\n" << std::flush;
  const StoreTimes small = MeasureStore(folder.Path(kSmall.file), options.repetitions);
  const StoreTimes large = MeasureStore(folder.Path(kLarge.file), options.repetitions);
  std::cout << "\nWALK: Restrict(\"[AccountID] = 'A000001'\") in every folder below Account Profiles, "
               "each match's EntryID (1000 items in 200 folders)\n"
               "FIND: Items.Find(\"[AccountID] = 'A000nnn'\") in Account Profiles and its Subject, "
            << kFindKeys << " keys\n\n";
  PrintTimes(small, large);
  return 0;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
  return bench::BenchmarkMain(argc, argv, "store_bench",
      "Times the folder walk and the account lookup through the store hosts and with plain SQLite\n"
      "on a small and a large demo store.", bench::Run);
}
