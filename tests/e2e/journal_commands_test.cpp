#include <gtest/gtest.h>


#include <nlohmann/json.hpp>

#include "host/store/database.h"
#include "host/store/test_store.h"
#include "tests/e2e/child_process.h"

// History, undo and preview as a user runs them: a demo store whose account
// A000001 has location accounts, contacts, posts and sticky notes in many
// folders, the account commands run by quorvia-utilities, and every result
// compared through quorvia-store export.
namespace e2e {
namespace {

using nlohmann::json;

class JournalCommandsTest : public ::testing::Test {
 protected:
  // A demo store with three sticky notes of A000001 added to its alerts.
  void SetUp() override {
    const std::string demo = dir_.File("demo.db");
    const ProcessResult made =
        RunStoreTool(demo, {"demo", "--accounts", "30", "--seed", "5", "--folders", "8", "--key-account-items", "60"});
    ASSERT_EQ(made.status, 0) << made.err;
    json document = json::parse(RunStoreTool(demo, {"export"}).out);
    for (json& folder : document["folders"][0]["folders"]) {
      if (folder["name"] != "Alerts") continue;
      for (const char* text : {"call back", "Grüße", "renewal"}) {
        folder["items"].push_back({{"message_class", "IPM.StickyNote"}, {"body", text},
                                   {"properties", {{"AccountID", "A000001"}, {"Account Name", "x"}}}});
      }
    }
    const ProcessResult imported = RunStoreTool(store_, {"import", "-"}, document.dump());
    ASSERT_EQ(imported.status, 0) << imported.err;
    original_ = Export();
  }
  ProcessResult Tool(const std::vector<std::string>& args) { return RunStoreTool(store_, args); }
  std::string Export() {
    const ProcessResult exported = Tool({"export"});
    EXPECT_EQ(exported.status, 0) << exported.err;
    return exported.out;
  }
  // The entry identifier of the account item of `key`.
  std::string AccountItem(const std::string& key) {
    for (const auto& line : store::testing::TabSeparatedLines(Tool({"find", key}).out)) {
      if (line.at(0) == "Account Profiles") return line.at(1);
    }
    ADD_FAILURE() << "no account item " << key;
    return "";
  }
  // Runs quorvia-utilities on the store at `store` (the test's when empty).
  ProcessResult Utilities(const std::string& command, const std::string& input = "", const std::string& store = "") {
    const std::map<std::string, std::string> env = {
        {"QUORVIA_STORE", store.empty() ? store_ : store}, {"QUORVIA_UI", "console"}, {"QUORVIA_LOG", "0"}};
    return e2e::Run(BuiltProgram("quorvia-utilities"), {command}, env, input);
  }
  std::string MergeCommand() { return "Merge;" + AccountItem("A000025") + ";;A000025;A000001"; }
  std::string DeleteCommand() { return "Delete;" + AccountItem("A000001") + ";;A000001"; }
  // The history's lines, newest first, each split at its tabs.
  std::vector<std::vector<std::string>> History() { return store::testing::TabSeparatedLines(Tool({"history"}).out); }
  // Every row of the items and their properties, byte for byte.
  std::string RawContents() {
    std::string contents;
    for (const char* sql :
         {"SELECT id || entry_id || folder || quote(message_class) || quote(subject) || quote(body) || "
          "quote(company_name) || quote(time_sent) || quote(time_received) || sent || unread || submitted "
          "FROM items ORDER BY id",
          "SELECT item || ',' || folder || quote(name) || type || quote(value) FROM properties ORDER BY item, name"}) {
      for (const std::string& row : store::testing::RowsOf(store_, sql, 1)) contents += row + "\n";
    }
    return contents;
  }

  store::testing::TempDir dir_;
  store::testing::StoreLocation location_{dir_};
  std::string store_ = location_.str();
  std::string original_;
};

// A preview leaves the store as it was and counts what the run then does.
// An undo is a run too: taking it back gives back what the run left.
TEST_F(JournalCommandsTest, PreviewCountsTheRunWhoseUndoGivesBackTheExportByteForByteAndCanBeUndone) {
  // A file is left byte for byte; a server's store row for row.
  const auto contents = [&] { return store::testing::OnServer() ? RawContents() : store::testing::ReadFile(store_); };
  std::string left;
  for (const bool merge : {true, false}) {
    SCOPED_TRACE(merge ? "Merge" : "Delete");
    const std::string command = merge ? MergeCommand() : DeleteCommand();
    const std::string before = contents();
    const ProcessResult preview = Tool({"preview", command});
    EXPECT_EQ(preview.status, 0) << preview.err << preview.out;
    EXPECT_EQ(contents(), before);

    const ProcessResult run = Utilities(command, "y\n");
    ASSERT_EQ(run.status, 0) << run.err;
    left = Export();
    ASSERT_NE(left, original_);
    const std::vector<std::string> newest = History().front();
    ASSERT_EQ(newest.size(), 6u);
    EXPECT_EQ(newest[3], "0");
    EXPECT_EQ(newest[5], command);
    // The preview's counts, and the run's items as history shows them.
    const std::string shown = Tool({"history", newest[0].substr(0, 13)}).out;
    for (const auto& [out, part] : std::vector<std::pair<const std::string*, std::string>>{
             {&preview.out, "location accounts re-pointed"},
             {&preview.out, "Account Profiles: account item deleted"},
             {&preview.out, merge ? " items re-keyed" : " items removed"},
             {&preview.out, "in all: " + newest[4] + "\n"},
             {&shown, "Account Profiles/Alerts\t"}, {&shown, "Account Profiles/Contacts\t"},
             {&shown, merge ? "\"A000001\" -> \"A000025\"" : "\tdeleted\t"}}) {
      EXPECT_NE(out->find(part), std::string::npos) << part << " in:\n" << *out;
    }

    const ProcessResult undone = Tool({"undo", newest[0]});
    EXPECT_EQ(undone.status, 0) << undone.err;
    EXPECT_EQ(Export(), original_);
    EXPECT_EQ(Tool({"check"}).out, "ok\n");
  }

  const std::vector<std::string> undo = History().front();
  EXPECT_EQ(undo[5].rfind("quorvia-store undo ", 0), 0u) << undo[5];
  EXPECT_EQ(undo[3], "0");
  ASSERT_EQ(Tool({"undo", undo[0]}).status, 0);
  EXPECT_EQ(Export(), left);
  EXPECT_EQ(Tool({"check"}).out, "ok\n");
  // The Delete took the items the Merge changed: undoing the Merge again
  // cannot restore them, and says so.
  const ProcessResult again = Tool({"undo", History()[4][0], "--force"});
  EXPECT_EQ(again.status, 1) << again.err;
  EXPECT_NE(again.out.find("not restored: "), std::string::npos) << again.out;
  EXPECT_EQ(Tool({"preview", "Update;x;y"}).status, 2);
}

// Text that is not UTF-8, written by another program, in values the
// commands read and write: the run ends as usual, the journal keeps the
// bytes, history shows them and undo gives every one of them back.
TEST_F(JournalCommandsTest, TextThatIsNotUtf8IsJournaledAndTakenBackByteForByte) {
  QUORVIA_SKIP_ON_SERVER();
  // Each run is taken back before the next, so both find the same bytes.
  const std::string commands[] = {MergeCommand(), DeleteCommand()};
  store::OpenDatabase(store_, store::Database::Mode::kOpenExisting)
      ->Exec("CREATE TEMP VIEW keyed AS SELECT item, value AS key FROM properties WHERE name = 'AccountID'; "
             "UPDATE properties SET value = CAST(value || X'FF' AS TEXT) WHERE name = 'Team' "
             "AND item IN (SELECT item FROM keyed WHERE key = 'A000001'); "
             "UPDATE items SET subject = CAST(subject || X'C0' AS TEXT) "
             "WHERE id IN (SELECT item FROM keyed WHERE key = 'A000001'); "
             "UPDATE properties SET value = CAST(value || X'E9' AS TEXT) WHERE name = 'Alignment' "
             "AND item IN (SELECT item FROM keyed WHERE key = 'A000025')");
  const ProcessResult exported = Tool({"export"});
  EXPECT_EQ(exported.status, 1);
  EXPECT_NE(exported.err.find("not valid UTF-8"), std::string::npos) << exported.err;
  const std::string before = RawContents();
  for (const std::string& command : commands) {
    SCOPED_TRACE(command);
    const bool merge = command.starts_with("Merge;");
    const ProcessResult run = Utilities(command, "y\n");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> newest = History().front();
    EXPECT_EQ(newest[3], "0");
    const std::string shown = Tool({"history", newest[0]}).out;
    for (const char* bytes : merge ? std::vector<const char*>{"\\xFF\" -> \"", "\\xE9\""}
                                   : std::vector<const char*>{"\\xC0\"\n"}) {
      EXPECT_NE(shown.find(bytes), std::string::npos) << bytes << " in\n" << shown;
    }
    EXPECT_EQ(Tool({"check"}).out.find("journal:"), std::string::npos);

    const ProcessResult undone = Tool({"undo", newest[0]});
    EXPECT_EQ(undone.status, 0) << undone.err;
    EXPECT_EQ(RawContents(), before);
  }
}

// The store with its journal goes to a file, on to another store of the
// test's engine (a server's, from a file), and back to a file: each exports
// and lists its runs alike, and the runs can be taken back there. A
// destination that holds a store is refused and left as it was.
TEST_F(JournalCommandsTest, CopyKeepsTheStoreAndItsJournalBetweenAnyTwoLocations) {
  ASSERT_EQ(Utilities(MergeCommand()).status, 0);
  const std::string merged = Export();
  const std::string history = Tool({"history"}).out;
  store::testing::TempDir other_dir;
  const store::testing::StoreLocation middle(other_dir);
  const std::string file = dir_.File("copy.db");
  const std::string back = dir_.File("back.db");
  const std::pair<std::string, std::string> copies[] = {{store_, file}, {file, middle.str()}, {middle.str(), back}};
  for (const auto& [from, to] : copies) {
    const ProcessResult copied = e2e::Run(BuiltProgram("quorvia-store"), {"copy", from, to});
    ASSERT_EQ(copied.status, 0) << from << " -> " << to << ": " << copied.err;
    EXPECT_EQ(RunStoreTool(to, {"export"}).out, merged) << to;
    EXPECT_EQ(RunStoreTool(to, {"history"}).out, history) << to;
  }
  const ProcessResult refused = e2e::Run(BuiltProgram("quorvia-store"), {"copy", file, middle.str()});
  EXPECT_NE(refused.status, 0);
  EXPECT_EQ(RunStoreTool(middle.str(), {"export"}).out, merged);
  const ProcessResult undone = RunStoreTool(back, {"undo", History().front().front()});
  EXPECT_EQ(undone.status, 0) << undone.err;
  EXPECT_EQ(RunStoreTool(back, {"export"}).out, original_);
}

TEST_F(JournalCommandsTest, AnUndoOverALaterChangeIsRefusedUnlessForced) {
  const std::string found_before = Tool({"find", "A000001"}).out;
  ASSERT_EQ(Utilities(MergeCommand()).status, 0);
  const std::string merge = History().front().front();
  const std::size_t related = found_before.find("\nAccount Profiles/");
  ASSERT_NE(related, std::string::npos) << found_before;
  const std::size_t entry = found_before.find('\t', related) + 1;
  const std::string rekeyed_twice = found_before.substr(entry, found_before.find('\t', entry) - entry);
  // A second merge re-keys the items the first one re-keyed.
  ASSERT_EQ(Utilities("Merge;" + AccountItem("A000027") + ";;A000027;A000025").status, 0);
  const std::string after_both = Export();

  const ProcessResult refused = Tool({"undo", merge});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("was not taken back"), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find("  " + rekeyed_twice + "\n"), std::string::npos) << refused.err;
  EXPECT_EQ(Export(), after_both);

  const ProcessResult forced = Tool({"undo", merge, "--force"});
  EXPECT_EQ(forced.status, 0) << forced.err << forced.out;
  EXPECT_EQ(Tool({"find", "A000001"}).out, found_before);
}

#ifdef QUORVIA_TESTS_ON_SERVER
// A NUL character in a file store, which a server cannot hold: copying the
// store to a server and importing its export there are refused, naming the
// item, and the database is left without a store: a run cannot open it.
TEST_F(JournalCommandsTest, TextTheServerCannotHoldIsRefusedWithItsItemLeavingNoStore) {
  const std::string file = dir_.File("demo.db");
  const std::string entry_id = AccountItem("A000025");
  store::OpenDatabase(file, store::Database::Mode::kOpenExisting)
      ->Exec(("UPDATE items SET subject = CAST('Z' || X'00' || 'rich' AS TEXT) WHERE entry_id = '" + entry_id + "'")
                 .c_str());
  const ProcessResult exported = RunStoreTool(file, {"export"});
  ASSERT_EQ(exported.status, 0) << exported.err;
  const store::testing::StoreLocation server(dir_);
  const struct {
    std::vector<std::string> args;
    std::string input;
    std::string place;
  } refusals[] = {
      {{"copy", file, server.str()}, "", "item " + entry_id},
      {{"--store", server.str(), "import", "-"}, exported.out, "(at folders[0].items["},
  };
  for (const auto& refusal : refusals) {
    const ProcessResult refused = e2e::Run(BuiltProgram("quorvia-store"), refusal.args, {}, refusal.input);
    EXPECT_EQ(refused.status, 1) << refusal.args[0];
    EXPECT_NE(refused.err.find(refusal.place), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("cannot hold a NUL byte"), std::string::npos) << refused.err;
    const ProcessResult opened = Utilities("Merge;E1;;A1;B2", "", server.str());
    EXPECT_EQ(opened.status, 3) << "after " << refusal.args[0];
    EXPECT_NE(opened.err.find("not a CRM store"), std::string::npos) << opened.err;
  }
}
#endif

}  // namespace
}  // namespace e2e
