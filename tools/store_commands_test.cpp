#include "tools/store_commands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>

#include "host/store/dialect.h"
#include "host/store/schema.h"
#include "tools/store_listing.h"
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

TEST(StoreCommandsTest, HelpAndVersionGoToStandardOutput) {
  const struct {
    std::vector<std::string> args;
    std::string start;
  } cases[] = {
      {{"--help"}, "Makes, fills, inspects and exports the CRM store: a SQLite file, or a database on a\n"
                   "PostgreSQL server.\n"
                   "Usage: quorvia-store [OPTIONS] SUBCOMMAND\n"},
      {{"-h"}, "Makes, fills"},
      {{"--store", "x.db", "--help"}, "Makes, fills"},
      {{"show", "-h"}, "Shows the item with that entry ID"},
      {{"--store", "x.db", "demo", "--accounts", "3", "--help"}, "Makes a new store with N accounts"},
      {{"find", "--help", "--store", "x.db"}, "Lists every item whose AccountID is exactly KEY"},
      {{"--version"}, "quorvia-store " QUORVIA_VERSION "\n"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    const testing::ToolRun run = RunTool(c.args);
    const std::string shown = ::testing::PrintToString(c.args);
    EXPECT_EQ(run.status, 0) << shown;
    EXPECT_EQ(run.out.rfind(c.start, 0), 0u) << shown << run.out;
    EXPECT_EQ(run.err, "") << shown;
  }
}

TEST(StoreCommandsTest, UsageErrorsExitWithTwoOnOneLineAndMakeNothing) {
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{}, ": no command given (see 'quorvia-store --help')"},
      {{"frobnicate"}, ": unknown command \"frobnicate\" (see 'quorvia-store --help')"},
      {{"--store"}, ": --store: 1 required PATH missing (see 'quorvia-store --help')"},
      {{"--verbose", "ls"}, " ls: The following argument was not expected: --verbose (see 'quorvia-store ls --help')"},
      {{"ls", "--all"}, " ls: The following argument was not expected: --all (see 'quorvia-store ls --help')"},
      {{"show"}, " show: ENTRYID is required (see 'quorvia-store show --help')"},
      {{"export", "out.json"},
       " export: The following argument was not expected: out.json (see 'quorvia-store export --help')"},
      {{"init", "--outlook-version"},
       " init: --outlook-version: 1 required TEXT missing (see 'quorvia-store init --help')"},
      {{"demo"}, " demo: --accounts is required (see 'quorvia-store demo --help')"},
      {{"demo", "--accounts", "x"}, " demo: Could not convert: --accounts = x (see 'quorvia-store demo --help')"},
      {{"demo", "--accounts=-3"}, " demo: --accounts must be at least 1 (see 'quorvia-store demo --help')"},
      {{"demo", "--accounts", "5", "--folders", "4"},
       " demo: --folders must be at least 5 (see 'quorvia-store demo --help')"},
      {{"demo", "--accounts", "3", "--items", "10", "--key-account-items", "11"},
       " demo: --key-account-items must not be more than --items (see 'quorvia-store demo --help')"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    std::vector<std::string> args = c.args;
    if (!args.empty() && args[0] != "--store") args.insert(args.begin(), {"--store", dir.File("s.db")});
    const testing::ToolRun run = RunTool(args);
    EXPECT_EQ(run.status, 2) << ::testing::PrintToString(c.args);
    EXPECT_EQ(run.err, "quorvia-store" + c.message + "\n") << ::testing::PrintToString(c.args);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(dir.Entries().empty()) << ::testing::PrintToString(c.args);
  }
}

TEST(StoreCommandsTest, OptionsGoBeforeOrAfterTheCommandAndDashDashEndsThem) {
  TempDir dir;
  const std::string path = ImportedStore(dir);
  const std::vector<std::vector<std::string>> calls = {
      {"--store", path, "find", "A10"},
      {"find", "A10", "--store", path},
      {"find", "--store=" + path, "A10"},
      {"--store", path, "find", "--", "A10"},
  };
  for (const auto& args : calls) {
    const testing::ToolRun run = RunTool(args);
    EXPECT_EQ(run.status, 0) << ::testing::PrintToString(args) << run.err;
    EXPECT_EQ(run.out, "Account Profiles/Alerts\tE5\tIPM.StickyNote\t\n") << ::testing::PrintToString(args);
  }
  // After "--" a word that looks like an option is the argument.
  const testing::ToolRun dashed = RunTool({"--store", path, "find", "--", "--help"});
  EXPECT_EQ(dashed.status, 1);
  EXPECT_EQ(dashed.out, "");
  EXPECT_EQ(dashed.err, "");
}

TEST(StoreCommandsTest, InitMakesAnEmptyStoreAndNeverReplacesOne) {
  TempDir dir;
  const std::string path = dir.File("new/folder/crm.db");
  ASSERT_EQ(RunTool({"--store=" + path, "init", "--outlook-version", "9.0"}).status, 0);
  const testing::ToolRun exported = RunTool({"--store", path, "export"});
  const auto document = nlohmann::json::parse(exported.out);
  EXPECT_EQ(document["outlook_version"], "9.0");
  ASSERT_EQ(document["folders"].size(), 1u);
  EXPECT_EQ(document["folders"][0]["name"], "Account Profiles");
  EXPECT_EQ(document["folders"][0]["default_message_class"], "IPM.Post");
  EXPECT_TRUE(document["folders"][0]["items"].empty());
  ASSERT_EQ(document["folders"][0]["folders"].size(), 1u);
  EXPECT_EQ(document["folders"][0]["folders"][0]["name"], "Alerts");
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

TEST(StoreCommandsTest, ImportNamesTheFileAndThePlaceOfAnError) {
  TempDir dir;
  testing::WriteFile(dir.File("bad.json"), "{\"format\": 1,\n \"folders\": [{\"name\": 3}]}");
  const testing::ToolRun bad = RunTool({"--store", dir.File("s.db"), "import", dir.File("bad.json")});
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.err, "quorvia-store: " + dir.File("bad.json") +
                         ": line 2, column 23 (at folders[0]): expected a string for \"name\"\n");
  const testing::ToolRun piped = RunTool({"--store", dir.File("s.db"), "import", "-"}, "[]");
  EXPECT_EQ(piped.err, "quorvia-store: <stdin>: line 1, column 1: expected a store document (a JSON object)\n");
  const testing::ToolRun missing = RunTool({"--store", dir.File("s.db"), "import", dir.File("none.json")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "quorvia-store: " + dir.File("none.json") + ": cannot open: No such file or directory\n");
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"bad.json"});
}

// Each problem that check reports is StoreCheckTest's; one shows that import
// runs check and refuses in its words.
TEST(StoreCommandsTest, ImportRefusesADocumentWhoseStoreCheckWouldReport) {
  TempDir dir;
  const testing::ToolRun run = RunTool({"--store", dir.File("s.db"), "import", "-"}, R"({"format": 1})");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "quorvia-store: <stdin>: there are 0 top-level folders named \"Account Profiles\"; "
                     "there must be exactly one\n");
  EXPECT_TRUE(dir.Entries().empty());
}

// Below Account Profiles, a chain of folders "Level 2", "Level 3", ...
// (entry IDs C2, C3, ...) as deep as each case makes it: ls lists the
// levels the store allows and then fails naming the first folder too deep,
// however long the chain.
TEST(StoreCommandsTest, ListShowsTheTreeWithItemCountsDownToTheDeepestLevel) {
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
      {1, 0, tree, ""},
      {store::kMaxFolderDepth, 0, tree + chain, ""},
      {100000, 1, tree + chain, R"(: folder "C201" ("Level 201"): folders nest deeper than 200 levels)"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    const std::string path = ImportedStore(dir);
    store::Statement(*store::OpenStore(path),
                     "WITH RECURSIVE n(i) AS (SELECT 2 WHERE ?1 >= 2 UNION ALL SELECT i + 1 FROM n WHERE i < ?1) "
                     "INSERT INTO folders (id, entry_id, parent, name, default_message_class) "
                     "SELECT 100 + i, 'C' || i, CASE i WHEN 2 THEN 1 ELSE 99 + i END, 'Level ' || i, 'IPM.Post' FROM n")
        .Bind(1, std::int64_t{c.deepest})
        .Run();
    const testing::ToolRun run = RunTool({"--store", path, "ls"});
    EXPECT_EQ(run.status, c.status) << c.deepest;
    EXPECT_EQ(run.out, c.out) << c.deepest;
    EXPECT_EQ(run.err, c.err.empty() ? "" : "quorvia-store: " + path + c.err + "\n") << c.deepest;
  }
}

TEST(StoreCommandsTest, ShowWritesEveryMemberAndProperty) {
  TempDir dir;
  const std::string path = ImportedStore(dir);
  const testing::ToolRun run = RunTool({"--store", path, "show", "E4"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "entry_id\tE4\nfolder\tAccount Profiles/Alerts\nmessage_class\tIPM.StickyNote\nsubject\tCall\n"
            "body\tCall\\nback\ncompany_name\t\ntime_sent\t2024-01-02T03:04:05\ntime_received\tnull\n"
            "sent\ttrue\nunread\tfalse\nsubmitted\tfalse\nproperty\tAccountID\ttext\tA1\n"
            "property\tDue\ttime\t2024-05-06T07:08:09\nproperty\tSeen\tboolean\tfalse\n"
            "property\tWidth\tinteger\t200\n");
  EXPECT_EQ(RunTool({"--store", path, "show", "e4"}).out, run.out) << "entry IDs in lower case";
  const testing::ToolRun folder = RunTool({"--store", path, "show", "F4"});
  EXPECT_EQ(folder.status, 1);
  EXPECT_EQ(folder.err, "quorvia-store: " + path + ": no item has the entry ID \"F4\"\n");
  EXPECT_EQ(folder.out, "");
}

TEST(StoreCommandsTest, FindListsExactlyTheItemsOfAKeyAndFailsWithoutAny) {
  TempDir dir;
  const std::string path = ImportedStore(dir);
  const struct {
    std::string key;
    std::string lines;
  } cases[] = {
      {"A1", "Account Profiles\tE1\tIPM.Post\tMüller AG\nAccount Profiles/Contacts/East\tE3\tIPM.Contact\tAnna\\tBerg\n"
             "Account Profiles/Alerts\tE4\tIPM.StickyNote\tCall\n"},
      {"A10", "Account Profiles/Alerts\tE5\tIPM.StickyNote\t\n"},
      {"a1", ""},
      {"A", ""},
  };
  for (const auto& c : cases) {
    const testing::ToolRun run = RunTool({"--store", path, "find", c.key});
    EXPECT_EQ(run.status, c.lines.empty() ? 1 : 0) << c.key;
    EXPECT_EQ(run.out, c.lines) << c.key;
    EXPECT_EQ(run.err, "") << c.key;
  }
}

TEST(StoreCommandsTest, FindReadsTheKeyIndexFolderByFolder) {
  TempDir dir;
  const auto db = store::OpenStore(ImportedStore(dir));
  store::Statement plan(*db, (std::string("EXPLAIN QUERY PLAN ") + FindByAccountIdSql(db->dialect())).c_str());
  std::string details;
  while (plan.Step()) details += plan.Text(3) + "\n";
  EXPECT_NE(details.find("properties_by_key (folder=? AND name=? AND value=?)"), std::string::npos) << details;
  EXPECT_EQ(details.find("SCAN p"), std::string::npos) << details;
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

TEST(StoreCommandsTest, CheckPrintsEachProblemAndFails) {
  TempDir dir;
  const std::string path = ImportedStore(dir);
  store::OpenStore(path)->Exec("UPDATE properties SET folder = 1 WHERE item = 3");
  const testing::ToolRun run = RunTool({"--store", path, "check"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, path + ": item E3, property 'AccountID': its folder 1 is not the item's folder 3\n");
}

int Shell(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(StoreCommandsTest, TheBuiltProgramRoundTripsThroughPipes) {
  TempDir dir;
  const std::string tool = std::string("'") + QUORVIA_STORE_PROGRAM + "'";
  const std::string in = "cd '" + dir.File("") + "' && ";
  ASSERT_EQ(Shell(in + tool + " --store a.db demo --accounts 30 --seed 5"), 0);
  ASSERT_EQ(Shell(in + tool + " --store a.db export > a.json"), 0);
  ASSERT_EQ(Shell(in + tool + " --store b.db import - < a.json"), 0);
  ASSERT_EQ(Shell(in + tool + " --store b.db export > b.json"), 0);
  EXPECT_EQ(testing::ReadFile(dir.File("b.json")), testing::ReadFile(dir.File("a.json")));
  EXPECT_EQ(Shell(in + "QUORVIA_STORE=c.db " + tool + " init"), 0);
  EXPECT_EQ(Shell(in + "env -u QUORVIA_STORE XDG_DATA_HOME=\"$PWD/xdg\" " + tool + " init"), 0);
  EXPECT_EQ(Shell(in + tool + " bogus 2> err.txt"), 2);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"a.db", "a.json", "b.db", "b.json", "c.db", "err.txt", "xdg"}));
  EXPECT_TRUE(std::filesystem::exists(dir.File("xdg/quorvia/crm.db")));
}

TEST(StoreCommandsTest, OutputThatCannotBeWrittenFails) {
  TempDir dir;
  const std::string path = ImportedStore(dir);
  const std::string tool = std::string("'") + QUORVIA_STORE_PROGRAM + "' --store '" + path + "' ";
  for (const char* command : {"ls", "check", "find A1", "show E4", "export", "--help"}) {
    const std::string err = dir.File("err.txt");
    EXPECT_EQ(Shell(tool + command + " > /dev/full 2> '" + err + "'"), 1) << command;
    EXPECT_EQ(testing::ReadFile(err), "quorvia-store: cannot write to standard output: No space left on device\n")
        << command;
  }
}

}  // namespace
}  // namespace storetool
