#include "tools/store_commands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>

#include "host/store/schema.h"
#include "tests/e2e/child_process.h"
#include "tools/tool_test_support.h"

namespace storetool {
namespace {

using testing::RunTool;
using testing::TempDir;

constexpr char kDocument[] = R"({"format": 1, "folders": [
 {"name": "Account Profiles", "entry_id": "F1", "items": [
   {"entry_id": "E1", "subject": "Müller AG", "properties": {"AccountID": "A1", "Account Name": "Müller AG"}},
   {"entry_id": "E2", "subject": "Other", "properties": {"AccountID": "A2"}}],
  "folders": [
   {"name": "Contacts", "entry_id": "F2", "default_message_class": "IPM.Contact", "folders": [
     {"name": "East", "entry_id": "F3", "default_message_class": "IPM.Contact", "items": [
       {"entry_id": "E3", "subject": "Anna\tBerg", "company_name": "Müller AG", "properties": {"AccountID": "A1"}}]}]},
   {"name": "Alerts", "entry_id": "F4", "default_message_class": "IPM.StickyNote", "items": [
     {"entry_id": "E4", "subject": "Call", "body": "Call\nback", "time_sent": "2024-01-02T03:04:05", "sent": true,
      "properties": {"AccountID": "A1", "Width": {"type": "integer", "value": 200},
                     "Seen": {"type": "boolean", "value": false}, "Due": {"type": "time", "value": "2024-05-06T07:08:09"}}},
     {"entry_id": "E5", "properties": {"AccountID": "A10"}}]}]}]})";

// A store made from kDocument through "import -".
std::string ImportedStore(const TempDir& dir) {
  const testing::ToolRun run = RunTool({"--store", dir.File("s.db"), "import", "-"}, kDocument);
  EXPECT_EQ(run.status, 0) << run.err;
  return dir.File("s.db");
}

// Help and the version go to standard output; a usage error is status 2
// with one line on standard error.
TEST(StoreCommandsTest, HelpAndUsageErrorsMakeNothing) {
  const struct {
    std::vector<std::string> args;
    int status;
    std::string start;  // of standard output, or all of standard error after "quorvia-store"
  } cases[] = {
      {{"--help"}, 0,
       "Makes, fills, inspects and exports the CRM store: a SQLite file, or a database on a\n"
       "PostgreSQL server.\n"
       "Usage: quorvia-store [OPTIONS] SUBCOMMAND\n"},
      {{"--store", "x.db", "--help"}, 0, "Makes, fills"},
      {{"show", "-h"}, 0, "Shows the item with that entry ID"},
      {{"--store", "x.db", "demo", "--accounts", "3", "--help"}, 0, "Makes a new store with N accounts"},
      {{"--version"}, 0, "quorvia-store " QUORVIA_VERSION "\n"},
      {{}, 2, ": no command given (see 'quorvia-store --help')"},
      {{"frobnicate"}, 2, ": unknown command \"frobnicate\" (see 'quorvia-store --help')"},
      {{"--store"}, 2, ": --store: 1 required PATH missing (see 'quorvia-store --help')"},
      {{"ls", "--all"}, 2, " ls: The following argument was not expected: --all (see 'quorvia-store ls --help')"},
      {{"show"}, 2, " show: ENTRYID is required (see 'quorvia-store show --help')"},
      {{"init", "--outlook-version"}, 2,
       " init: --outlook-version: 1 required TEXT missing (see 'quorvia-store init --help')"},
      {{"demo"}, 2, " demo: --accounts is required (see 'quorvia-store demo --help')"},
      {{"demo", "--accounts", "x"}, 2, " demo: Could not convert: --accounts = x (see 'quorvia-store demo --help')"},
      {{"demo", "--accounts=-3"}, 2, " demo: --accounts must be at least 1 (see 'quorvia-store demo --help')"},
      {{"demo", "--accounts", "5", "--folders", "4"}, 2,
       " demo: --folders must be at least 5 (see 'quorvia-store demo --help')"},
      {{"demo", "--accounts", "3", "--items", "10", "--key-account-items", "11"}, 2,
       " demo: --key-account-items must not be more than --items (see 'quorvia-store demo --help')"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    std::vector<std::string> args = c.args;
    if (c.status != 0 && !args.empty() && args[0] != "--store") args.insert(args.begin(), {"--store", dir.File("s.db")});
    const testing::ToolRun run = RunTool(args);
    const std::string shown = ::testing::PrintToString(c.args);
    EXPECT_EQ(run.status, c.status) << shown;
    if (c.status == 0) {
      EXPECT_EQ(run.out.rfind(c.start, 0), 0u) << shown << run.out;
      EXPECT_EQ(run.err, "") << shown;
    } else {
      EXPECT_EQ(run.err, "quorvia-store" + c.start + "\n") << shown;
      EXPECT_EQ(run.out, "") << shown;
    }
    EXPECT_TRUE(dir.Entries().empty()) << shown;
  }
}

// A CRM store holds personal data: the folders made for it and the store
// are the owner's alone; a folder that exists keeps its mode.
TEST(StoreCommandsTest, InitMakesAnEmptyPrivateStoreAndNeverReplacesOne) {
  TempDir dir;
  ::chmod(dir.File(".").c_str(), 0755);
  const std::string path = dir.File("new/folder/crm.db");
  ASSERT_EQ(RunTool({"--store=" + path, "init", "--outlook-version", "9.0"}).status, 0);
  const std::pair<std::string, mode_t> modes[] = {
      {".", 0755}, {"new", 0700}, {"new/folder", 0700}, {"new/folder/crm.db", 0600}};
  for (const auto& [name, mode] : modes) EXPECT_EQ(store::testing::FileMode(dir.File(name)), mode) << name;
  const testing::ToolRun exported = RunTool({"--store", path, "export"});
  EXPECT_EQ(RunTool({"--store", path, "ls"}).out, "Account Profiles (0)\n  Alerts (0)\n");
  auto document = nlohmann::json::parse(exported.out);
  EXPECT_EQ(document["outlook_version"], "9.0");
  EXPECT_EQ(document["folders"][0]["default_message_class"], "IPM.Post");
  EXPECT_EQ(document["folders"][0]["folders"][0]["default_message_class"], "IPM.StickyNote");
  EXPECT_EQ(RunTool({"--store", path, "check"}).out, "ok\n");
  for (const char* command : {"init", "import"}) {
    std::vector<std::string> args = {"--store", path, command};
    if (args.back() == "import") args.push_back("-");
    const testing::ToolRun again = RunTool(args, kDocument);
    EXPECT_EQ(again.status, 1) << command;
    EXPECT_EQ(again.err, "quorvia-store: " + path + ": the file exists already; it is not overwritten\n") << command;
    EXPECT_EQ(RunTool({"--store", path, "export"}).out, exported.out) << command;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.File("new/folder")), {}), 1) << "no leftovers";
  }
}

// An import that fails names the document and the place of the error, or
// refuses in the words of check (whose problems are StoreCheckTest's), and
// makes no store, nor the folders it made for one.
TEST(StoreCommandsTest, ImportNamesTheDocumentAndThePlaceOfAnErrorAndMakesNothing) {
  TempDir dir;
  testing::WriteFile(dir.File("bad.json"), "{\"format\": 1,\n \"folders\": [{\"name\": 3}]}");
  const struct {
    std::string document;
    std::string input;
    std::string err;
  } cases[] = {
      {dir.File("bad.json"), "",
       dir.File("bad.json") + ": line 2, column 23 (at folders[0]): expected a string for \"name\""},
      {"-", "[]", "<stdin>: line 1, column 1: expected a store document (a JSON object)"},
      {dir.File("none.json"), "", dir.File("none.json") + ": cannot open: No such file or directory"},
      {"-", R"({"format": 1})",
       "<stdin>: there are 0 top-level folders named \"Account Profiles\"; there must be exactly one"},
  };
  for (const auto& c : cases) {
    const testing::ToolRun run = RunTool({"--store", dir.File("new/deeper/s.db"), "import", c.document}, c.input);
    EXPECT_EQ(run.status, 1) << c.err;
    EXPECT_EQ(run.err, "quorvia-store: " + c.err + "\n");
  }
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"bad.json"});
}

// Below Account Profiles, a chain of folders "Level 2", "Level 3", ...
// (entry IDs C2, C3, ...) as deep as each case makes it, after the imported
// tree: ls lists the levels the store allows and export writes them; both
// then fail naming the first folder too deep, however long the chain, and
// check reports the top of each subtree too deep: the chain's, and that of
// a twin of its folder at level 201.
TEST(StoreCommandsTest, ListExportAndCheckReadTheTreeDownToTheDeepestLevel) {
  const std::string tree = "Account Profiles (2)\n  Contacts (0)\n    East (1)\n  Alerts (2)\n";
  std::string chain;
  for (int level = 2; level <= store::kMaxFolderDepth; ++level) {
    chain += std::string(2 * (level - 1), ' ') + "Level " + std::to_string(level) + " (0)\n";
  }
  const struct {
    int deepest;
    int status;
    std::string out;
    std::string err;
  } cases[] = {
      {store::kMaxFolderDepth, 0, tree + chain, ""},
      {100000, 1, tree + chain, R"(: folder "C201" ("Level 201"): folders nest deeper than 200 levels)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.deepest);
    TempDir dir;
    const std::string path = ImportedStore(dir);
    const auto db = store::OpenStore(path);
    store::testing::AddFolderChain(*db, 1, c.deepest);
    if (c.status != 0) db->Exec("INSERT INTO folders (entry_id, parent, name, default_message_class) "
                                "VALUES ('D1', 1200, 'Twin', 'IPM.Post')");
    const testing::ToolRun run = RunTool({"--store", path, "ls"});
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, c.err.empty() ? "" : "quorvia-store: " + path + c.err + "\n");
    const testing::ToolRun exported = RunTool({"--store", path, "export"});
    EXPECT_EQ(exported.status, c.status);
    EXPECT_EQ(exported.err, run.err);
    EXPECT_EQ(nlohmann::json::accept(exported.out), c.status == 0);
    const testing::ToolRun check = RunTool({"--store", path, "check"});
    EXPECT_EQ(check.status, c.status);
    const std::string too_deep = " nests deeper than 200 levels\n";
    const std::string problems = path + ": folder C201 ('Level 201')" + too_deep + path + ": folder D1 ('Twin')" + too_deep;
    EXPECT_EQ(check.out, c.status == 0 ? "ok\n" : problems);
  }
}

// Find lists exactly the items of a key and fails without any; show writes
// every member and property. Options go before or after the command, and
// after "--" a word that looks like an option is the argument.
TEST(StoreCommandsTest, FindAndShowWriteWhatTheStoreHoldsWhereverTheOptionsStand) {
  TempDir dir;
  const std::string path = ImportedStore(dir);
  const std::string a10 = "Account Profiles/Alerts\tE5\tIPM.StickyNote\t\n";
  const std::string e4 =
      "entry_id\tE4\nfolder\tAccount Profiles/Alerts\nmessage_class\tIPM.StickyNote\nsubject\tCall\n"
      "body\tCall\\nback\ncompany_name\t\ntime_sent\t2024-01-02T03:04:05\ntime_received\tnull\n"
      "sent\ttrue\nunread\tfalse\nsubmitted\tfalse\nproperty\tAccountID\ttext\tA1\n"
      "property\tDue\ttime\t2024-05-06T07:08:09\nproperty\tSeen\tboolean\tfalse\n"
      "property\tWidth\tinteger\t200\n";
  const struct {
    std::vector<std::string> args;
    int status;
    std::string out;
    std::string err;
  } cases[] = {
      {{"--store", path, "find", "A10"}, 0, a10, ""},
      {{"find", "A10", "--store", path}, 0, a10, ""},
      {{"find", "--store=" + path, "A10"}, 0, a10, ""},
      {{"--store", path, "find", "--", "A10"}, 0, a10, ""},
      {{"--store", path, "find", "--", "--help"}, 1, "", ""},
      {{"--store", path, "find", "A1"}, 0,
       "Account Profiles\tE1\tIPM.Post\tMüller AG\nAccount Profiles/Contacts/East\tE3\tIPM.Contact\tAnna\\tBerg\n"
       "Account Profiles/Alerts\tE4\tIPM.StickyNote\tCall\n",
       ""},
      {{"--store", path, "find", "a1"}, 1, "", ""},
      {{"--store", path, "find", "A"}, 1, "", ""},
      {{"--store", path, "show", "E4"}, 0, e4, ""},
      {{"--store", path, "show", "e4"}, 0, e4, ""},
      {{"--store", path, "show", "F4"}, 1, "", "quorvia-store: " + path + ": no item has the entry ID \"F4\"\n"},
  };
  for (const auto& c : cases) {
    const testing::ToolRun run = RunTool(c.args);
    EXPECT_EQ(run.status, c.status) << ::testing::PrintToString(c.args);
    EXPECT_EQ(run.out, c.out) << ::testing::PrintToString(c.args);
    EXPECT_EQ(run.err, c.err) << ::testing::PrintToString(c.args);
  }
}

TEST(StoreCommandsTest, CommandsOnAMissingOrForeignStoreSayWhatIsWrongAndWhatToDo) {
  TempDir dir;
  testing::WriteFile(dir.File("notes.txt"), "Shopping list: milk, bread, an SQLite book\n");
  const std::string make_one =
      "Make one with 'quorvia-store init' (empty), 'quorvia-store import FILE' (from a JSON document)\n"
      "or 'quorvia-store demo --accounts N' (made-up accounts).\n";
  for (const char* command : {"export", "ls", "check", "show", "find", "backup"}) {
    std::vector<std::string> args = {command};
    if (args[0] == "show" || args[0] == "find" || args[0] == "backup") args.push_back(dir.File("copy.db"));
    args.insert(args.end(), {"--store", dir.File("none.db")});
    const testing::ToolRun missing = RunTool(args);
    EXPECT_EQ(missing.status, 1) << command;
    EXPECT_THAT(missing.err, ::testing::HasSubstr(dir.File("none.db"))) << command;
    EXPECT_THAT(missing.err, ::testing::EndsWith(make_one)) << command;
    args.back() = dir.File("notes.txt");
    const testing::ToolRun foreign = RunTool(args);
    EXPECT_EQ(foreign.status, 1) << command;
    EXPECT_THAT(foreign.err, ::testing::HasSubstr(dir.File("notes.txt") + ": not a CRM store (not an SQLite database)"))
        << command;
    EXPECT_THAT(foreign.err, ::testing::Not(::testing::HasSubstr("file is not a database"))) << command;
  }
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"notes.txt"});
}

TEST(StoreCommandsTest, OutputThatCannotBeWrittenFails) {
  TempDir dir;
  const std::string path = ImportedStore(dir);
  const std::string tool = std::string("'") + QUORVIA_STORE_PROGRAM + "' --store '" + path + "' ";
  for (const char* command : {"ls", "check", "find A1", "show E4", "export", "--help"}) {
    const e2e::ProcessResult run = e2e::Run("/bin/sh", {"-c", tool + command + " > /dev/full"});
    EXPECT_EQ(run.status, 1) << command;
    EXPECT_EQ(run.err, "quorvia-store: cannot write to standard output: No space left on device\n") << command;
  }
}

}  // namespace
}  // namespace storetool
