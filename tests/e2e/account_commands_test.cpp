#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "host/store/database.h"
#include "host/store/schema.h"
#include "host/store/test_store.h"
#include "tests/e2e/child_process.h"

// The account commands run as a user runs them: a store made with
// quorvia-store import, quorvia-utilities in console mode answering through
// standard input, the result read back with quorvia-store export.
namespace e2e {
namespace {

using nlohmann::json;

const std::string kWidening = "x' OR [AccountID] <> '";

json Props(const std::string& key, const std::string& name, const std::string& manager) {
  return {{"AccountID", key}, {"Account Name", name}, {"Account Manager", manager},
          {"Team", manager + " team"}, {"Alignment", "Standard"}};
}

json Account(const std::string& entry, const std::string& key, const std::string& name,
             const std::string& manager, const std::string& parent_name = "",
             const std::string& parent_key = "") {
  json properties = Props(key, name, manager);
  properties["Account Parent"] = parent_name;
  properties["Account LocationID"] = parent_key;
  return {{"entry_id", entry}, {"subject", name + " Inc"}, {"properties", properties}};
}

json Related(const std::string& entry, const std::string& key, const std::string& name) {
  return {{"entry_id", entry}, {"company_name", name}, {"properties", Props(key, name, "M")}};
}

json Folder(const std::string& name, const std::string& message_class, json items, json folders = json::array()) {
  return {{"name", name}, {"default_message_class", message_class}, {"items", items}, {"folders", folders}};
}

json CrmDocument() {
  const json accounts = {
      Account("E01", "A100", "Acme", "Ann"),       Account("E02", "B200", "Beta", "Bob"),
      Account("E03", "B201", "Beta North", "Bob", "Beta", "B200"),
      Account("E04", "C300", "Gamma", "Cid"),      Account("E05", "O'Neil", "O'Neil", "Ola"),
      Account("E06", kWidening, "Wide", "Wes"),    Account("E07", "b200", "beta", "bo"),
  };
  const json east = Folder("East", "IPM.Contact", {Related("E14", "B200", "Beta"), Related("E15", "b200", "beta")});
  const json contacts = Folder("Contacts", "IPM.Contact",
                               {Related("E10", "B200", "Beta"), Related("E11", "C300", "Gamma"),
                                Related("E12", "O'Neil", "O'Neil"), Related("E13", kWidening, "Wide")},
                               {east});
  const json quarter = Folder("Q1", "IPM.Post", {Related("E22", "B200", "Beta"), Related("E23", "C300", "Gamma")});
  const json activities = Folder("Activities", "IPM.Post",
                                 {Related("E20", "B200", "Beta"), Related("E21", "A100", "Acme")},
                                 {Folder("2026", "IPM.Post", json::array(), {quarter})});
  const json alerts = Folder("Alerts", "IPM.StickyNote", {Related("E30", "B200", "Beta"), Related("E31", "C300", "Gamma")});
  return {{"format", 1}, {"outlook_version", "16.0"},
          {"folders", {Folder("Account Profiles", "IPM.Post", accounts, {contacts, activities, alerts})}}};
}

// Every item of an exported store by entry identifier: its folder path, its
// company and its properties.
using Items = std::map<std::string, json>;

void CollectItems(const json& folder, const std::string& parent, Items& items) {
  const std::string path = parent.empty() ? folder["name"].get<std::string>() : parent + "/" + folder["name"].get<std::string>();
  for (const json& item : folder["items"]) {
    items[item["entry_id"]] = {{"folder", path}, {"company_name", item["company_name"]}, {"properties", item["properties"]}};
  }
  for (const json& child : folder["folders"]) CollectItems(child, path, items);
}

class AccountCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const ProcessResult imported = RunStoreTool(store_, {"import", "-"}, CrmDocument().dump());
    ASSERT_EQ(imported.status, 0) << imported.err;
    exported_before_ = Export();
    before_ = ItemsOf(exported_before_);
    ASSERT_EQ(before_.size(), 19u);
  }
  std::string Export() {
    const ProcessResult exported = RunStoreTool(store_, {"export"});
    EXPECT_EQ(exported.status, 0) << exported.err;
    return exported.out;
  }
  static Items ItemsOf(const std::string& exported) {
    Items items;
    const json document = json::parse(exported);
    for (const json& folder : document["folders"]) CollectItems(folder, "", items);
    return items;
  }
  std::map<std::string, std::string> Environment() const {
    return {{"QUORVIA_STORE", store_}, {"QUORVIA_UI", "console"}, {"XDG_STATE_HOME", state_}};
  }
  std::vector<std::vector<std::string>> LogLines() const {
    return store::testing::TabSeparatedLines(store::testing::ReadFile(state_ + "/quorvia/utilities.log"));
  }
  store::testing::TempDir dir_;
  store::testing::StoreLocation location_{dir_};
  std::string store_ = location_.str();
  std::string state_ = dir_.File("state");
  std::string exported_before_;
  Items before_;
};

TEST_F(AccountCommandsTest, DeleteRemovesExactlyTheItemsOfItsKey) {
  // Each command line and the items it removes.
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"Delete;E02;;B200", {"E02", "E10", "E14", "E20", "E22", "E30"}},
      {"Delete;E05;;O'Neil", {"E05", "E12"}},
      {"Delete;E06;;" + kWidening, {"E06", "E13"}},
  };
  Items expected = before_;
  for (const auto& [command_line, removed] : cases) {
    const ProcessResult deleted = e2e::Run(BuiltProgram("quorvia-utilities"), {command_line}, Environment(), "Yes\n");
    EXPECT_EQ(deleted.status, 0) << command_line << ": " << deleted.err;
    for (const std::string& entry : removed) expected.erase(entry);
    if (command_line == "Delete;E02;;B200") {
      expected["E03"]["properties"]["Account LocationID"] = "";
      expected["E03"]["properties"]["Account Parent"] = "";
    }
    EXPECT_EQ(ItemsOf(Export()), expected) << command_line;
  }
}

// Each reason says what went wrong in the terms of the command and the
// store, with the next step where there is one; no error numbers.
TEST_F(AccountCommandsTest, EveryRunIsLoggedAndAFailureSaysWhyOnOneLine) {
  const std::string missing = dir_.File("missing.db");
  const struct {
    std::string command_line;
    int status;
    std::string err;     // the message box or the reason line
    std::string reason;  // the log's last field
    std::string store;   // another store than the test's; "" for it
    std::string second = "";  // a second argument; "" for none
  } cases[] = {
      {"Merge;E01;;A100;A100", 1,
       "== QuorviaUtilities ==\nYou selected the same account, please select a different account to merge.\n",
       "the same account was given twice", ""},
      {"merge;E01", 2,
       "quorvia-utilities: unknown function \"merge\" (function names are case-sensitive; "
       "quorvia-utilities --help lists them)\n", "", ""},
      {"Merge;E01;;A100", 4, "quorvia-utilities: Merge needs Merge;ENTRYID;;SURVIVINGKEY;MERGEDKEY (got 4 fields)\n", "", ""},
      {"Merge;E01;;A100;Z999", 4, "quorvia-utilities: Merge was abandoned: no account item has the merged key Z999\n", "", ""},
      {"Front;E30", 1, "quorvia-utilities: no item window was minimized: item \"E30\" is not a post item\n", "", ""},
      {"Front;E01", 1, "quorvia-utilities: no item window was minimized: no item window is shown\n", "", ""},
      {"Startup", 3,
       "quorvia-utilities: cannot open the CRM store " + missing +
           ": no such file (make one with quorvia-store init, quorvia-store import FILE or "
           "quorvia-store demo --accounts N)\n",
       "", missing},
      {"Delete;E04;;", 1,
       "quorvia-utilities: the key in field 3 (CurrentID) is empty; no account has an empty key, "
       "so nothing was changed\n", "", ""},
      {"Merge;E01;;A100;B200", 2,
       "quorvia-utilities: takes exactly one argument, FUNCTION;FIELD;FIELD;... (got 2)\n", "", "", "x"},
      {"Merge;E01;;A100;B200", 0, "", "", ""},
  };
  for (const auto& c : cases) {
    auto environment = Environment();
    if (!c.store.empty()) environment["QUORVIA_STORE"] = c.store;
    std::vector<std::string> args = {c.command_line};
    if (!c.second.empty()) args.push_back(c.second);
    const ProcessResult run = e2e::Run(BuiltProgram("quorvia-utilities"), args, environment);
    EXPECT_EQ(run.status, c.status) << c.command_line;
    EXPECT_EQ(run.err, c.err) << c.command_line;
    if (c.status != 0) {
      EXPECT_EQ(Export(), exported_before_) << c.command_line;
    }
  }
  const auto lines = LogLines();
  ASSERT_EQ(lines.size(), std::size(cases));
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const auto& c = cases[i];
    ASSERT_EQ(lines[i].size(), 7u) << i;
    EXPECT_EQ(lines[i][4], c.second.empty() ? c.command_line : c.command_line + " " + c.second);
    EXPECT_EQ(lines[i][5], std::to_string(c.status));
    const bool said = c.err.starts_with("quorvia-utilities: ");
    EXPECT_EQ(lines[i][6], said ? c.err.substr(19, c.err.size() - 20) : c.reason) << i;
  }
  EXPECT_NE(lines[0][0], lines[1][0]) << "each run has an identifier of its own";
  EXPECT_EQ(lines[0][2], lines[1][2]) << "the user";
}

TEST_F(AccountCommandsTest, PreviewCountsAgreeWithTheirNouns) {
  const ProcessResult preview = RunStoreTool(store_, {"preview", "Merge;E01;;A100;B200"});
  EXPECT_EQ(preview.status, 0) << preview.err;
  for (const char* line : {"Account Profiles: 1 location account re-pointed\n",
                           "Account Profiles/Contacts: 1 item re-keyed\n"}) {
    EXPECT_NE(preview.out.find(line), std::string::npos) << line << "in:\n" << preview.out;
  }
}

TEST_F(AccountCommandsTest, HelpVersionAndTheUsageMessageNeedNoStore) {
  const std::string program = BuiltProgram("quorvia-utilities");
  const ProcessResult help = e2e::Run(program, {"--help"}, Environment());
  EXPECT_EQ(help.status, 0);
  for (const char* function : {"Merge;ENTRYID;;SURVIVINGKEY;MERGEDKEY", "Delete;ENTRYID;;KEY",
                               "Startup", "Realign, ContactSync"}) {
    EXPECT_NE(help.out.find(function), std::string::npos) << function;
  }
  // -h is --help; --version names the build's.
  const std::pair<const char*, std::string> others[] = {{"-h", help.out},
                                                       {"--version", "quorvia-utilities " QUORVIA_VERSION "\n"}};
  for (const auto& [option, out] : others) {
    const ProcessResult run = e2e::Run(program, {option}, Environment());
    EXPECT_EQ(run.status, 0) << option;
    EXPECT_EQ(run.out, out) << option << ": " << run.err;
  }
  // With nothing that names a store, the usage message still shows.
  const ProcessResult usage =
      e2e::Run("/usr/bin/env", {"-u", "HOME", "-u", "XDG_DATA_HOME", "-u", "QUORVIA_STORE",
                                "QUORVIA_UI=console", "QUORVIA_LOG=0", program, ""});
  EXPECT_EQ(usage.status, 2);
  EXPECT_EQ(usage.err,
            "== QuorviaUtilities ==\nVer 6\n"
            "SYNTAX: QuorviaUpdate Function;EntryID;SearchID;CurrentID;NewID;Field1;Field2...\n"
            "Function: Merge, Update, Realign, Delete, Startup, Help\n");
  EXPECT_EQ(LogLines().size(), 3u) << "--help, -h and --version are runs too";
  EXPECT_EQ(e2e::Run("/usr/bin/env", {"QUORVIA_LOG=0", program, "Realign"}, Environment()).status, 0);
  EXPECT_EQ(LogLines().size(), 3u) << "QUORVIA_LOG=0 writes no line";
}

// Accounts K00..K33 (entries A00..A33), each with one related contact
// (C00..C33).
std::string Two(int n) { return std::to_string(100 + n).substr(1); }
// PREFIX then n in two digits, by appending: GCC 12 at -O3 takes
// "A" + Two(n) for an overlapping copy.
std::string Numbered(const char* prefix, int n) { return std::string(prefix).append(Two(n)); }

json PairsDocument() {
  json accounts = json::array();
  json related = json::array();
  for (int i = 0; i < 34; ++i) {
    accounts.push_back(Account(Numbered("A", i), Numbered("K", i), Numbered("Name", i), "M"));
    related.push_back(Related(Numbered("C", i), Numbered("K", i), Numbered("Name", i)));
  }
  return {{"format", 1}, {"outlook_version", "16.0"},
          {"folders", {Folder("Account Profiles", "IPM.Post", accounts, {Folder("Contacts", "IPM.Contact", related)})}}};
}

// The most lock requests of `db`'s database seen waiting at once while
// `until` is false, polled until it turns true (or 4000 times): runs
// waiting on one another (a row, a transaction or an account). Not the
// server's own lock for growing a table's file, which inserts into the
// journal meet under load whoever's rows they are.
int MostLockWaits(const store::Database& db, const std::function<bool(int waits)>& until) {
  int most = 0;
  for (int poll = 0; poll < 4000 && !until(most); ++poll) {
    const auto waits = store::testing::CountOf(db, "SELECT count(*) FROM pg_locks AS l JOIN pg_stat_activity AS a "
                                                   "ON a.pid = l.pid WHERE NOT l.granted AND a.datname = "
                                                   "current_database() AND l.locktype <> 'extend'");
    most = std::max(most, static_cast<int>(waits));
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return most;
}

// On the server, Merges of different accounts go on side by side and never
// wait; a Merge of an account that another transaction holds waits for it.
// The same probe of pg_locks must see that one wait and none of the others.
TEST_F(AccountCommandsTest, MergesWaitOnlyForRunsSharingAnAccount) {
  if (!store::testing::OnServer()) GTEST_SKIP() << "one writer at a time holds a store file";
  store::testing::StoreLocation location(dir_);
  const std::map<std::string, std::string> env = {{"QUORVIA_STORE", location.str()}, {"QUORVIA_UI", "console"}};
  const ProcessResult imported = RunStoreTool(location.str(), {"import", "-"}, PairsDocument().dump());
  ASSERT_EQ(imported.status, 0) << imported.err;
  const auto probe = store::OpenStore(location.str());
  const auto holder = store::OpenStore(location.str());
  // Merges K(2i+1) into K(2i).
  const auto merge = [&](int i) {
    const std::string survivor = Two(2 * i);
    return std::make_unique<ChildProcess>(
        BuiltProgram("quorvia-utilities"),
        std::vector<std::string>{"Merge;A" + survivor + ";;K" + survivor + ";K" + Two(2 * i + 1)}, env, "");
  };
  std::vector<std::unique_ptr<ChildProcess>> runs;
  for (int i = 0; i < 16; ++i) runs.push_back(merge(i));
  std::atomic<bool> ended = false;
  int waits = 0;
  std::thread watch([&] { waits = MostLockWaits(*probe, [&](int) { return ended.load(); }); });
  for (auto& run : runs) EXPECT_EQ(run->Wait(60000).status, 0);
  ended = true;
  watch.join();
  EXPECT_EQ(waits, 0) << "16 merges of 16 pairs at once: " << waits << " lock requests waited at once";

  holder->Run(store::Database::Control::kBegin);
  store::Statement(*holder, "SELECT pg_advisory_xact_lock(hashtext('K32'))").Run();
  runs.push_back(merge(16));
  EXPECT_GT(MostLockWaits(*probe, [](int most) { return most > 0; }), 0) << "a merge of a held account did not wait";
  holder->Run(store::Database::Control::kCommit);
  EXPECT_EQ(runs.back()->Wait(60000).status, 0);
  const Items after = ItemsOf(RunStoreTool(location.str(), {"export"}).out);
  for (int i = 0; i < 17; ++i) {
    EXPECT_EQ(after.at(Numbered("C", 2 * i + 1))["properties"]["AccountID"], Numbered("K", 2 * i)) << i;
  }
}

}  // namespace
}  // namespace e2e
