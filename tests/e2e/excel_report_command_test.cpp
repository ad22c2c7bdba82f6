#include <gtest/gtest.h>
#include <signal.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <tuple>

#include "host/desktop/display_variable.h"
#include "host/odbc/reports_source_test_fixture.h"
#include "host/store/test_store.h"
#include "tests/e2e/child_process.h"

// ExcelReport run as a user runs it: the built program over the real SQLite
// data source, its workbook read back with openpyxl.
namespace e2e {
namespace {

using nlohmann::json;

class ExcelReportCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(RunStoreTool(store_, {"init"}).status, 0);
    const auto connection = reports_.Connected();
    connection->Execute(
        "create table sales (code text, amount decimal(10,2), units integer, ratio real, day date, "
        "at timestamp, paid boolean, note text)");
    connection->Execute(
        "insert into sales values ('00123', 1234.5, 7, 0.25, '2026-02-28', '2026-03-01 13:45:10', 1, "
        "'Zoë ☃ 東京'), ('98765432109876543210', null, -2, null, null, null, 0, null)");
  }
  // A run with `env` laid over the test's environment.
  ProcessResult Report(const std::string& query, std::map<std::string, std::string> env = {}) {
    env.insert(env_.begin(), env_.end());
    return e2e::Run(BuiltProgram("quorvia-utilities"), {"ExcelReport;" + query}, env);
  }
  // Widths are stored with the cell margin added: 9 characters are 9.71.
  static void ExpectWidths(const json& sheet, const json& widths) {
    for (const auto& [column, width] : widths.items()) {
      EXPECT_EQ(std::floor(sheet["widths"].value(column, 0.0)), width.get<double>()) << column;
    }
  }
  static json Read(const std::string& path) {
    const ProcessResult read = e2e::Run(QUORVIA_SOURCE_DIR "/tests/e2e/read_report.py", {path});
    EXPECT_EQ(read.status, 0) << read.err;
    return read.status == 0 ? json::parse(read.out) : json::object();
  }

  store::testing::TempDir dir_;
  std::string store_ = dir_.File("crm.db");
  std::string folder_ = dir_.File("not/yet/there");
  odbc::testing::ScratchReportsSource reports_;
  std::map<std::string, std::string> env_ = {{"QUORVIA_STORE", store_}, {"QUORVIA_UI", "console"}, {"QUORVIA_LOG", "0"},
                                             {"QUORVIA_REPORTS_DIR", folder_}, {"QUORVIA_OPEN", "0"}};
};

TEST_F(ExcelReportCommandTest, WritesATypedWorkbookAndSaysWhere) {
  const ProcessResult report = Report("select * from sales order by rowid");
  ASSERT_EQ(report.status, 0) << report.err;
  EXPECT_EQ(report.out, folder_ + "/Book1.xlsx\n");
  const json book = Read(folder_ + "/Book1.xlsx");
  ASSERT_EQ(book["sheets"].size(), 1U);
  EXPECT_EQ(book["active"], "Sheet1");
  const json& sheet = book["sheets"][0];
  EXPECT_EQ(sheet["name"], "Sheet1");
  ExpectWidths(sheet, {{"A", 9}, {"B", 11}, {"C", 10}, {"D", 10}, {"E", 8}, {"F", 7}, {"G", 9}, {"H", 9}});
  const json& cells = sheet["cells"];
  EXPECT_EQ(cells["A1"], (json{{"value", "code"}, {"type", "text"}, {"bold", true}, {"align", "center"}, {"format", "General"}}));
  // Each cell's member and its value.
  const std::tuple<const char*, const char*, json> members[] = {
      {"H1", "value", "note"},  {"A2", "value", "00123"}, {"A2", "type", "text"}, {"A2", "bold", false},
      {"A3", "value", "98765432109876543210"},            {"B2", "value", 1234.5}, {"C3", "value", -2},
      {"D2", "value", 0.25},    {"E2", "value", "2026-02-28 00:00:00"},           {"E2", "format", "yyyy-mm-dd"},
      {"F2", "value", "2026-03-01 13:45:10"},             {"F2", "format", "yyyy-mm-dd hh:mm:ss"},
      {"G2", "value", true},    {"G3", "value", false},   {"H2", "value", "Zoë ☃ 東京"},
  };
  for (const auto& [cell, member, value] : members) EXPECT_EQ(cells[cell][member], value) << cell << " " << member;
  // Nulls leave their cells empty; nothing is written past the records.
  for (const char* empty : {"B3", "D3", "E3", "F3", "H3", "A4"}) EXPECT_FALSE(cells.contains(empty)) << empty;
  EXPECT_EQ(cells.size(), 8U + 8U + 3U);

  // A second report never replaces the first; one record is one data row.
  // Its header widths count characters, and names of any length are written whole.
  std::string e200;
  for (int i = 0; i < 200; ++i) e200 += "é";
  const std::string e300 = e200 + e200.substr(0, 200);
  const ProcessResult second = Report("select code as \"Größe\", code as \"€\", code as \"a😀b\", code as \"" +
                                      e200 + "\", code as \"" + e300 + "\", units from sales where units = 7");
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(second.out, folder_ + "/Book2.xlsx\n");
  EXPECT_TRUE(std::filesystem::exists(folder_ + "/Book1.xlsx"));
  const json other = Read(folder_ + "/Book2.xlsx")["sheets"][0];
  EXPECT_EQ(other["cells"].size(), 12U);
  // A name's length counts UTF-16 units, as the spreadsheet's strings do.
  ExpectWidths(other, {{"A", 10}, {"B", 6}, {"C", 9}, {"D", 205}, {"F", 10}});
  // The sheet takes no width above 255: that column keeps none, the rest is written.
  EXPECT_FALSE(other["widths"].contains("E")) << other["widths"];
  EXPECT_EQ(other["cells"]["D1"]["value"], e200);
  EXPECT_EQ(other["cells"]["E1"]["value"], e300);
  EXPECT_EQ(other["cells"]["F2"]["value"], 7);
}

TEST_F(ExcelReportCommandTest, ASignalLeavesNoTemporaryWorkbookAndAKilledRunsIsRemovedNextTime) {
  const DefaultSignals defaults;
  std::filesystem::create_directories(folder_);
  const auto hidden = [&] {
    std::vector<std::string> names = dir_.Entries("not/yet/there");
    std::erase_if(names, [](const std::string& name) { return name[0] != '.'; });
    return names;
  };
  // Long enough that the signal comes while the workbook is written.
  const std::string slow =
      "ExcelReport;with recursive n(i) as (select 1 union all select i + 1 from n where i < 300000) select i from n";
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGKILL}) {
    ChildProcess report(BuiltProgram("quorvia-utilities"), {slow}, env_, "");
    ASSERT_TRUE(WaitForEntry(folder_, ".Book1.xlsx.new-")) << signal_number;
    report.Kill(signal_number);
    EXPECT_EQ(report.Wait().status, 128 + signal_number);
    EXPECT_EQ(hidden().size(), signal_number == SIGKILL ? 1U : 0U) << signal_number;
  }
  // The next report removes what the killed run left (which files it leaves
  // alone is ReportFileTest's).
  ASSERT_EQ(Report("select code from sales").status, 0);
  EXPECT_EQ(hidden(), std::vector<std::string>{});
  EXPECT_TRUE(std::filesystem::exists(folder_ + "/Book1.xlsx"));
}

// With a display, the workbook is opened with the desktop's application;
// what xdg-open says goes to open.log, and its quick failure is one line.
// Without a documents folder of its own (xdg-user-dir answers the home
// folder) the report goes to ~/Documents.
TEST_F(ExcelReportCommandTest, TheWorkbookIsOpenedWithTheDesktopsApplicationWhenADisplayIsSet) {
  const std::string bin = dir_.File("bin");
  const std::string home = dir_.File("home");
  const std::string log = dir_.File("state/quorvia/open.log");
  std::filesystem::create_directory(bin);
  std::filesystem::create_directory(home);
  store::testing::WriteFile(bin + "/xdg-user-dir", "#!/bin/sh\necho \"$HOME\"\n");
  std::filesystem::permissions(bin + "/xdg-user-dir", std::filesystem::perms::owner_all);
  // The stand-in xdg-open's script, and what the run then writes to standard error.
  const std::pair<std::string, std::string> cases[] = {
      {"printf '%s\\n' \"$1\" >> \"$0.opened\"; echo 'it said this' >&2", ""},
      {"echo 'x-www-browser: not found' >&2; exit 3",
       "quorvia-utilities: " + home + "/Documents/Book3.xlsx could not be opened: xdg-open ended with status 3 "
       "(what it said is in " + log + ")\n"},
  };
  std::map<std::string, std::string> desktop = {
      {"PATH", bin + ":/usr/bin:/bin"}, {"DISPLAY", desktop::testing::FreeDisplay()}, {"HOME", home},
      {"QUORVIA_REPORTS_DIR", ""}, {"QUORVIA_LOG", "1"}, {"XDG_STATE_HOME", dir_.File("state")}};
  // The test's own QUORVIA_OPEN=0 keeps the first report from being opened.
  ASSERT_EQ(Report("select code from sales", desktop).status, 0);
  desktop["QUORVIA_OPEN"] = "";
  for (const auto& [xdg_open, err] : cases) {
    store::testing::WriteFile(bin + "/xdg-open", "#!/bin/sh\n" + xdg_open + "\n");
    std::filesystem::permissions(bin + "/xdg-open", std::filesystem::perms::owner_all);
    const ProcessResult opened = Report("select code from sales", desktop);
    EXPECT_EQ(opened.status, 0) << xdg_open << ": " << opened.err;
    EXPECT_EQ(opened.err, err) << xdg_open;
  }
  // Only the second report was opened, and waited for: its note is there.
  EXPECT_EQ(store::testing::ReadFile(bin + "/xdg-open.opened"), home + "/Documents/Book2.xlsx\n");
  EXPECT_EQ(store::testing::ReadFile(log), "it said this\nx-www-browser: not found\n");
}

TEST_F(ExcelReportCommandTest, NoRecordsAndRefusedQueriesWriteNothing) {
  const ProcessResult none = Report("select * from sales where units > 100");
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.out, "");
  EXPECT_NE(none.err.find(" No records found, please check your query"), std::string::npos) << none.err;
  const ProcessResult refused = Report("select nothing from sales");
  EXPECT_EQ(refused.status, 5);
  EXPECT_NE(refused.err.find("-2147217900 - "), std::string::npos) << refused.err;
  EXPECT_FALSE(std::filesystem::exists(folder_));
}

TEST_F(ExcelReportCommandTest, AFolderThatCannotBeMadeIsStatusFourWithItsReasonNamingIt) {
  store::testing::WriteFile(dir_.File("not"), "a file where the folder should be");
  const ProcessResult report = Report("select code from sales");
  EXPECT_EQ(report.status, 4);
  EXPECT_EQ(report.out, "");
  EXPECT_NE(report.err.find("quorvia-utilities: the report was not written: "), std::string::npos) << report.err;
  EXPECT_NE(report.err.find(dir_.File("not")), std::string::npos) << report.err;
}

}  // namespace
}  // namespace e2e
