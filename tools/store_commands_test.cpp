#include "tools/store_commands.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>

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

TEST(StoreCommandsTest, HelpGoesToStandardOutput) {
  const std::vector<std::vector<std::string>> calls = {
      {"--help"}, {"-h"}, {"--store", "x.db", "--help"}, {"show", "-h"},
      {"--store", "x.db", "demo", "--accounts", "3", "--help"},
  };
  for (const auto& args : calls) {
    const testing::ToolRun run = RunTool(args);
    const std::string shown = ::testing::PrintToString(args);
    EXPECT_EQ(run.status, 0) << shown;
    EXPECT_EQ(run.out.rfind("Usage: quorvia-store [--store PATH] ", 0), 0u) << shown << run.out;
    const std::string command = args[0][0] == '-' && args.size() > 2 ? args[2] : args[0];
    if (command[0] != '-') {
      EXPECT_NE(run.out.find("] " + command), std::string::npos) << shown << run.out;
    }
    EXPECT_EQ(run.err, "") << shown;
  }
}

TEST(StoreCommandsTest, UsageErrorsExitWithTwoAndMakeNothing) {
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{}, "no command given"},
      {{"frobnicate"}, "unknown command \"frobnicate\""},
      {{"--verbose", "ls"}, "unknown option --verbose"},
      {{"ls", "--all"}, "ls: unknown option --all"},
      {{"show"}, "show: expected 1 argument, got 0"},
      {{"export", "out.json"}, "export: expected 0 arguments, got 1"},
      {{"init", "--outlook-version"}, "init: --outlook-version needs a value"},
      {{"demo"}, "demo needs --accounts N"},
      {{"demo", "--accounts", "x"}, "--accounts needs a whole number of 0 or more, not \"x\""},
      {{"demo", "--accounts=-3"}, "--accounts needs a whole number of 0 or more, not \"-3\""},
      {{"demo", "--accounts", "5", "--folders", "4"}, "--folders must be at least 5"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    std::vector<std::string> args = {"--store", dir.File("s.db")};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const testing::ToolRun run = RunTool(args);
    EXPECT_EQ(run.status, 2) << ::testing::PrintToString(c.args);
    EXPECT_EQ(run.err, "quorvia-store: " + c.message + "\nRun 'quorvia-store --help' for the commands.\n")
        << ::testing::PrintToString(c.args);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(dir.Entries().empty()) << ::testing::PrintToString(c.args);
  }
  EXPECT_EQ(RunTool({"--store"}).err, "quorvia-store: --store needs a value\nRun 'quorvia-store --help' for the commands.\n");
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
  EXPECT_EQ(RunTool({"--store", path, "check"}).out, "ok\n");
  const testing::ToolRun again = RunTool({"--store", path, "init"});
  EXPECT_EQ(again.status, 1);
  EXPECT_EQ(again.err, "quorvia-store: " + path + ": the file exists already; it is not overwritten\n");
  EXPECT_EQ(RunTool({"--store", path, "export"}).out, exported.out);
  EXPECT_EQ(RunTool({"--store", path, "import", "-"}, "{\"format\": 1}").status, 1);
  EXPECT_EQ(RunTool({"--store", path, "export"}).out, exported.out);
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

TEST(StoreCommandsTest, ListShowsTheTreeWithItemCounts) {
  TempDir dir;
  const testing::ToolRun run = RunTool({"--store", ImportedStore(dir), "ls"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "Account Profiles (2)\n  Contacts (0)\n    East (1)\n  Alerts (2)\n");
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
  const testing::ToolRun folder = RunTool({"--store", path, "show", "F4"});
  EXPECT_EQ(folder.status, 1);
  EXPECT_EQ(folder.err, "quorvia-store: " + path + ": no item has the entry ID \"F4\"\n");
  EXPECT_EQ(folder.out, "");
}

TEST(StoreCommandsTest, FindListsExactlyTheItemsOfAKey) {
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
    EXPECT_EQ(run.status, 0) << c.key;
    EXPECT_EQ(run.out, c.lines) << c.key;
  }
}

TEST(StoreCommandsTest, FindReadsTheValueIndex) {
  TempDir dir;
  const auto db = store::OpenStore(ImportedStore(dir));
  store::Statement plan(*db, (std::string("EXPLAIN QUERY PLAN ") + kFindByAccountIdSql).c_str());
  std::string details;
  while (plan.Step()) details += plan.Text(3) + "\n";
  EXPECT_NE(details.find("properties_by_value (name=? AND value=?)"), std::string::npos) << details;
}

TEST(StoreCommandsTest, CommandsOnAMissingStoreFail) {
  TempDir dir;
  for (const char* command : {"export", "ls", "check"}) {
    const testing::ToolRun run = RunTool({"--store", dir.File("none.db"), command});
    EXPECT_EQ(run.status, 1) << command;
    EXPECT_EQ(run.err, "quorvia-store: cannot open the CRM store " + dir.File("none.db") + ": no such file\n") << command;
  }
  EXPECT_TRUE(dir.Entries().empty());
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

}  // namespace
}  // namespace storetool
