#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "host/odbc/reports_source_test_fixture.h"
#include "host/store/test_store.h"
#include "tests/e2e/child_process.h"

// AddAlerts and Alerts run as a user runs them on a terminal: a store made
// with quorvia-store import, quorvia-utilities in console mode with the
// note's text on standard input, the result read back with quorvia-store.
namespace e2e {
namespace {

using nlohmann::json;

const std::set<std::string> kImported = {"0B01", "0B02", "0B03", "0B04"};

json Note(const std::string& entry, const std::string& key, const std::string& body) {
  return {{"entry_id", entry}, {"message_class", "IPM.StickyNote"}, {"body", body},
          {"properties", {{"AccountID", key}}}};
}

json Document() {
  const json alerts = {{"name", "Alerts"}, {"default_message_class", "IPM.StickyNote"},
                       {"items", {Note("0B01", "K1", "Call Ann\r\nabout May"), Note("0B02", "K2", "other account"),
                                  Note("0B03", "K1", "Renewal"), Note("0B04", "O'Brien", "Irish office")}},
                       {"folders", json::array()}};
  const json profiles = {{"name", "Account Profiles"}, {"default_message_class", "IPM.Post"},
                         {"items", json::array()}, {"folders", {alerts}}};
  return {{"format", 1}, {"outlook_version", "16.0"}, {"folders", {profiles}}};
}

class AlertCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const ProcessResult imported = RunStoreTool(store_, {"import", "-"}, Document().dump());
    ASSERT_EQ(imported.status, 0) << imported.err;
  }
  ProcessResult Utilities(const std::string& command_line, const std::string& input = "") {
    return e2e::Run(BuiltProgram("quorvia-utilities"), {command_line}, env_, input);
  }
  // The items of the alerts folder as exported, by entry identifier.
  std::map<std::string, json> Alerts() {
    const ProcessResult exported = RunStoreTool(store_, {"export"});
    EXPECT_EQ(exported.status, 0) << exported.err;
    std::map<std::string, json> items;
    const json document = json::parse(exported.out);
    for (const json& item : document["folders"][0]["folders"][0]["items"]) items[item["entry_id"]] = item;
    return items;
  }

  store::testing::TempDir dir_;
  std::string store_ = dir_.File("crm.db");
  std::map<std::string, std::string> env_ = {
      {"QUORVIA_STORE", store_}, {"QUORVIA_UI", "console"}, {"XDG_STATE_HOME", dir_.File("state")}};
};

// Every way of the program that writes to standard output.
TEST_F(AlertCommandsTest, OutputThatCannotBeWrittenIsStatusOneWithItsReason) {
  const odbc::testing::ScratchReportsSource reports;
  reports.Connected()->Execute("create table t as select 'x' as a");
  env_.insert({{"QUORVIA_REPORTS_DIR", dir_.File("reports")}, {"QUORVIA_OPEN", "0"}});
  // A full disk, and a pipe whose reader is gone (perl-base is on every Debian system).
  const std::pair<const char*, const char*> outputs[] = {
      {"exec \"$0\" \"$1\" > /dev/full", "No space left on device"},
      {"exec perl -e 'pipe(my $r, my $w); close $r; open(STDOUT, \">&\", $w); exec @ARGV' \"$0\" \"$1\"", "Broken pipe"}};
  for (const auto& [shell, reason] : outputs) {
    for (const char* command : {"--help", "--version", "Alerts;K1", "ExcelReport;select a from t"}) {
      const ProcessResult run = e2e::Run("/bin/sh", {"-c", shell, BuiltProgram("quorvia-utilities"), command}, env_);
      EXPECT_EQ(run.status, 1) << command << ' ' << reason;
      EXPECT_EQ(run.err, std::string("quorvia-utilities: cannot write to standard output: ") + reason + "\n")
          << command;
    }
  }
}

// Alerts lists an account's notes in order with the terminal's line ends,
// AddAlerts stores the typed note on the mail store path and nothing
// without text, and Alerts then lists it.
TEST_F(AlertCommandsTest, AlertsListsTheNotesAddAlertsStoresOnlyWithText) {
  const ProcessResult listed = Utilities("Alerts;K1");
  EXPECT_EQ(listed.status, 0) << listed.err;
  EXPECT_EQ(listed.out, "== IPM.StickyNote 0B01 ==\nCall Ann\nabout May\n== IPM.StickyNote 0B03 ==\nRenewal\n");
  const ProcessResult quoted = Utilities("Alerts;O'Brien");
  EXPECT_EQ(quoted.out, "== IPM.StickyNote 0B04 ==\nIrish office\n");
  const ProcessResult hostile = Utilities("Alerts;x' OR [AccountID] <> 'y");
  EXPECT_EQ(hostile.status, 0) << hostile.err;
  EXPECT_EQ(hostile.out, "");

  const ProcessResult empty = Utilities("AddAlerts;K9;Nine;Ann;North;East", "\n  \n");
  EXPECT_EQ(empty.status, 1);
  EXPECT_EQ(Alerts().size(), 4u);

  const ProcessResult added = Utilities("AddAlerts;K9;Nine;Ann;North;East", "Call Nine\nin June\n");
  ASSERT_EQ(added.status, 0) << added.err;
  auto alerts = Alerts();
  ASSERT_EQ(alerts.size(), 5u);
  const json added_note =
      std::ranges::find_if(alerts, [](const auto& entry) { return !kImported.contains(entry.first); })->second;
  EXPECT_EQ(added_note["body"], "Call Nine\r\nin June");
  EXPECT_EQ(added_note["properties"]["Team"], "North");
  EXPECT_EQ(added.out, "== IPM.StickyNote " + added_note["entry_id"].get<std::string>() + " ==\nCall Nine\nin June\n");

  EXPECT_EQ(Utilities("Alerts;K9").out, added.out);
}

}  // namespace
}  // namespace e2e
