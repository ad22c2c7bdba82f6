#include "tools/demo_store.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "host/store/schema.h"
#include "tools/demo_accounts.h"
#include "tools/demo_names.h"
#include "tools/store_file.h"
#include "tools/store_rows.h"

namespace storetool {
namespace {

using demo::AccountInfo;
using demo::Mix;

enum class Kind { kAccounts, kContacts, kPosts, kAlerts };

enum Stream : std::uint64_t { kStoreIdStream = 100, kItemStream, kTextStream, kTimeStream };

struct DemoFolder {
  int parent = -1;  // index into the plan; -1 at the top level
  std::string name;
  Kind kind = Kind::kPosts;
  int group = 0;  // 0 contacts, 1 opportunities, 2 activities
  std::int64_t id = 0;
};

constexpr std::int64_t kMaxKeyFolders = 200;
constexpr std::int64_t kMaxKeyLocations = 20;

// Adds `count` folders below `top` breadth first, with as few children per
// folder as keeps the tree within three levels below `top`.
void PlanGroup(std::vector<DemoFolder>& plan, int top, std::int64_t count) {
  // Contacts spread into regions first; the other groups nest.
  std::int64_t fan = plan[static_cast<std::size_t>(top)].kind == Kind::kContacts ? std::min<std::int64_t>(count, 4) : 1;
  while (fan + fan * fan + fan * fan * fan < count) ++fan;
  std::vector<int> level_folders{top};
  for (int level = 2; count > 0; ++level) {
    std::vector<int> next;
    for (const int parent : level_folders) {
      for (std::int64_t k = 0; k < fan && count > 0; ++k, --count) {
        const DemoFolder& up = plan[static_cast<std::size_t>(parent)];
        plan.push_back({parent, demo::FolderName(up.group, level, k), up.kind, up.group, 0});
        next.push_back(static_cast<int>(plan.size() - 1));
      }
    }
    level_folders = std::move(next);
  }
}

std::vector<DemoFolder> PlanFolders(std::int64_t total) {
  std::vector<DemoFolder> plan{{-1, store::kDatabaseFolderName, Kind::kAccounts, 0, 0}};
  const char* names[] = {"Contacts", "Opportunities", "Activities"};
  const std::int64_t below = total - kDemoMinFolders;
  for (int group = 0; group < 3; ++group) {
    plan.push_back({0, names[group], group == 0 ? Kind::kContacts : Kind::kPosts, group, 0});
    PlanGroup(plan, static_cast<int>(plan.size() - 1), below / 3 + (group < below % 3 ? 1 : 0));
  }
  plan.push_back({0, "Alerts", Kind::kAlerts, 0, 0});
  return plan;
}

const char* MessageClass(Kind kind) {
  switch (kind) {
    case Kind::kContacts: return "IPM.Contact";
    case Kind::kAlerts: return "IPM.StickyNote";
    default: return "IPM.Post";
  }
}

void AddText(ItemRow& item, const char* name, const std::string& value) {
  item.properties.push_back(PropertyRow{name, kText, value, 0});
}

void AddNumber(ItemRow& item, const char* name, const char* type, std::int64_t value) {
  item.properties.push_back(PropertyRow{name, type, "", value});
}

void AddShared(ItemRow& item, const AccountInfo& account) {
  AddText(item, "AccountID", account.key);
  AddText(item, "Account Name", account.name);
  AddText(item, "Account Manager", account.manager);
  AddText(item, "Team", account.team);
  AddText(item, "Alignment", account.alignment);
}

void FillAlert(ItemRow& item, std::uint64_t pick, std::uint64_t time_pick) {
  item.subject = item.body = demo::AlertText(pick);
  item.time_sent = item.time_received = demo::TimeText(time_pick);
  item.sent = true;
  if (pick % 2 == 0) return;  // made through the object model: no note layout
  const std::string note = "{0E20060000000000C000000000000046}0x8B0";
  const std::pair<char, int> layout[] = {{'2', 200}, {'0', 3}, {'3', 166}, {'4', 90}, {'5', 90}};
  for (const auto& [digit, value] : layout) AddNumber(item, (note + digit).c_str(), kInteger, value);
}

class DemoWriter {
 public:
  DemoWriter(const DemoOptions& options, store::Database& db, std::string store_id, ProgressMeter& progress);
  void Run();

 private:
  std::string NextEntryId();
  void AddFolders();
  void AddAccounts();
  void AddRelatedItems();
  void FillRelated(const DemoFolder& folder, const AccountInfo& account, std::int64_t index);
  std::int64_t PickAccount(std::uint64_t pick) const;
  void Count(std::int64_t done);

  DemoOptions options_;
  StoreWriter writer_;
  std::string store_id_;
  demo::AccountPlan accounts_;
  std::vector<DemoFolder> folders_;
  std::vector<std::size_t> related_folders_;  // non-alert folders below the database folder
  std::size_t alerts_folder_ = 0;
  std::uint32_t next_object_ = 0;
  ItemRow item_;
  ProgressMeter& progress_;
};

DemoWriter::DemoWriter(const DemoOptions& options, store::Database& db, std::string store_id,
                       ProgressMeter& progress)
    : options_(options),
      writer_(db),
      store_id_(std::move(store_id)),
      accounts_(options.seed, options.accounts,
                options.key_account_items > 0 ? std::min(kMaxKeyLocations, options.accounts - 1) : 0),
      progress_(progress) {}

void DemoWriter::Count(std::int64_t done) {
  progress_.Update(static_cast<std::uint64_t>(done), static_cast<std::uint64_t>(options_.accounts + options_.items));
}

std::string DemoWriter::NextEntryId() {
  // Like a real store's entry IDs: flags, the store's own identifier, then
  // a number for the object.
  char number[9];
  std::snprintf(number, sizeof number, "%08X", ++next_object_);
  return "00000000" + store_id_ + number;
}

void DemoWriter::Run() {
  folders_ = PlanFolders(options_.folders);
  AddFolders();
  AddAccounts();
  AddRelatedItems();
  writer_.Finish();
}

void DemoWriter::AddFolders() {
  for (std::size_t i = 0; i < folders_.size(); ++i) {
    DemoFolder& folder = folders_[i];
    const auto parent = folder.parent < 0 ? std::nullopt
                                          : std::optional(folders_[static_cast<std::size_t>(folder.parent)].id);
    folder.id = writer_.AddFolder(parent, NextEntryId(), folder.name, MessageClass(folder.kind));
    if (folder.kind == Kind::kAlerts) alerts_folder_ = i;
    if (folder.kind == Kind::kContacts || (folder.kind == Kind::kPosts)) related_folders_.push_back(i);
  }
}

void DemoWriter::AddAccounts() {
  for (std::int64_t index = 1; index <= options_.accounts; ++index) {
    const AccountInfo account = accounts_.Info(index);
    item_ = ItemRow{};
    item_.entry_id = NextEntryId();
    item_.message_class = "IPM.Post";
    item_.subject = account.name;
    item_.body = "Industry: " + account.industry;
    AddShared(item_, account);
    AddText(item_, "Account Parent", account.parent_name);
    AddText(item_, "Account LocationID", account.parent_key);
    writer_.AddItem(folders_[0].id, item_);
    Count(index);
  }
}

std::int64_t DemoWriter::PickAccount(std::uint64_t pick) const {
  // With a key account, only its own items name it.
  if (options_.key_account_items == 0) return 1 + static_cast<std::int64_t>(pick % options_.accounts);
  if (options_.accounts == 1) return 0;
  return 2 + static_cast<std::int64_t>(pick % (options_.accounts - 1));
}

void DemoWriter::AddRelatedItems() {
  const std::int64_t total = options_.items;
  const std::int64_t key_items = options_.key_account_items;
  const auto key_folders = std::min<std::int64_t>(kMaxKeyFolders, related_folders_.size());
  const AccountInfo key_account = accounts_.Info(1);
  for (std::int64_t j = 0; j < total; ++j) {
    const std::uint64_t pick = Mix(options_.seed, kItemStream, static_cast<std::uint64_t>(j));
    const std::int64_t key_before = key_items * j / total;
    std::size_t folder = 0;
    AccountInfo account;
    if (key_items * (j + 1) / total > key_before) {
      // Key items go round the chosen folders, which spread over the tree.
      const std::int64_t slot = key_before % key_folders;
      folder = related_folders_[static_cast<std::size_t>(slot * static_cast<std::int64_t>(related_folders_.size()) / key_folders)];
      account = key_account;
    } else {
      folder = pick % 10 == 0 ? alerts_folder_ : related_folders_[(pick >> 8) % related_folders_.size()];
      const std::int64_t index = PickAccount(pick >> 32);
      if (index > 0) account = accounts_.Info(index);
    }
    FillRelated(folders_[folder], account, j);
    writer_.AddItem(folders_[folder].id, item_);
    Count(options_.accounts + j + 1);
  }
}

void DemoWriter::FillRelated(const DemoFolder& folder, const AccountInfo& account, std::int64_t index) {
  const auto j = static_cast<std::uint64_t>(index);
  const std::uint64_t pick = Mix(options_.seed, kTextStream, j);
  const std::uint64_t time_pick = Mix(options_.seed, kTimeStream, j);
  item_ = ItemRow{};
  item_.entry_id = NextEntryId();
  item_.message_class = MessageClass(folder.kind);
  if (!account.key.empty()) AddShared(item_, account);
  if (folder.kind == Kind::kAlerts) {
    FillAlert(item_, pick, time_pick);
  } else if (folder.kind == Kind::kContacts) {
    item_.subject = demo::PersonName(pick);
    item_.body = demo::JobTitle(pick >> 40);
    item_.company_name = account.name;
  } else if (folder.group == 1) {
    item_.subject = demo::ProductName(pick) + " for " + account.name;
    item_.body = demo::ActivityText(pick >> 24);
    AddNumber(item_, "Amount", kInteger, static_cast<std::int64_t>(1000 + (pick >> 8) % 500000));
    item_.properties.push_back(PropertyRow{"Close Date", kTime, demo::TimeText(time_pick), 0});
    AddNumber(item_, "Won", kBoolean, static_cast<std::int64_t>((pick >> 4) & 1));
  } else {
    item_.subject = folder.name + ": " + demo::PersonName(pick >> 12);
    item_.body = demo::ActivityText(pick >> 24);
    AddNumber(item_, "Duration", kInteger, static_cast<std::int64_t>(15 + (pick >> 20) % 120));
  }
}

std::string DemoStoreId(std::uint64_t seed) {
  char text[33];
  std::snprintf(text, sizeof text, "%016llX%016llX", static_cast<unsigned long long>(Mix(seed, kStoreIdStream, 0)),
                static_cast<unsigned long long>(Mix(seed, kStoreIdStream, 1)));
  return text;
}

}  // namespace

std::string DemoOptionsProblem(const DemoOptions& options) {
  if (options.accounts < 1) return "--accounts must be at least 1";
  if (options.accounts > 99'999'999) return "--accounts must be at most 99999999";
  if (options.folders < kDemoMinFolders) return "--folders must be at least 5";
  if (options.folders > 1'000'000) return "--folders must be at most 1000000";
  if (options.items > 2'000'000'000) return "--items must be at most 2000000000";
  if (options.key_account_items < 0) return "--key-account-items must not be negative";
  if (options.items >= 0 && options.key_account_items > options.items) {
    return "--key-account-items must not be more than --items";
  }
  return "";
}

void MakeDemoStore(const DemoOptions& options, const std::string& path, ProgressMeter& progress) {
  DemoOptions sized = options;
  if (sized.items < 0) sized.items = std::max(sized.key_account_items, sized.accounts * kDemoItemsPerAccount);
  const std::string store_id = DemoStoreId(options.seed);
  NewStoreFile target(path);
  target.Make([&](const std::string& temp_path) {
    auto db = store::CreateStore(temp_path, store_id, "16.0");
    BulkLoad load(*db);
    store::Transaction transaction(*db);
    DemoWriter(sized, *db, store_id, progress).Run();
    transaction.Commit();
    load.Finish();
  });
}

}  // namespace storetool
