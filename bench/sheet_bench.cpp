// The spreadsheet host writing 1,000,000 rows of 8 typed columns the way a
// report lays them out (a bold, centred header, then CopyFromRecordset),
// from generated rows and from the SQLite data source through unixODBC,
// against libxlsxwriter writing the same cells directly: time, CPU time,
// peak memory and file size of each, each run in a child process of its own,
// the three writers taking turns in rounds.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/report_rows.h"
#include "host/odbc/field_value.h"
#include "host/odbc/odbc_connection.h"
#include "host/odbc/odbc_recordset.h"
#include "host/sheet/sheet_application.h"
#include "tools/reports_data_source.h"

namespace bench {
namespace {

using host::ado::ColumnType;

constexpr double kMostRssMib = 50;

// A recordset of kReportRows generated rows, one at a time.
class GeneratedRecordset : public host::ado::Recordset {
 public:
  GeneratedRecordset() : row_(ReportRowTexts(1)) {}
  void SetCursorType(int) override {}
  void Open(const std::string&, host::Ref<host::ado::Connection>) override {}
  void MoveFirst() override { row_ = ReportRowTexts(position_ = 1); }
  void MoveNext() override {
    if (++position_ <= kReportRows) row_ = ReportRowTexts(position_);
  }
  bool Eof() override { return position_ > kReportRows; }
  std::optional<std::string> Fields(int index) override { return row_[static_cast<std::size_t>(index)]; }
  host::Value Value(int index) override { return odbc::FieldValue(kReportTypes[index], Fields(index)); }
  int FieldCount() override { return kReportColumns; }
  std::string FieldName(int index) override { return kReportNames[index]; }
  ColumnType FieldType(int index) override { return kReportTypes[index]; }
  long RecordCount() override { return kReportRows; }
  void Close() override {}

 private:
  long position_ = 1;
  std::vector<std::string> row_;
};

// The rows of `recordset` laid out as a report: a header on each sheet, as
// many sheets as the rows need.
void WriteThroughTheHost(const std::filesystem::path& folder, const host::Ref<host::ado::Recordset>& recordset) {
  sheet::SheetApplication application(folder);
  auto workbook = application.Workbooks()->Add();
  for (auto sheet = workbook->Worksheets("Sheet1"); !recordset->Eof(); sheet = workbook->Worksheets()->Add()) {
    for (int i = 0; i < kReportColumns; ++i) {
      auto cell = sheet->Cells(1, i + 1);
      cell->SetColumnWidth(15);
      cell->SetHorizontalAlignment(host::excel::kAlignCenter);
      cell->Font()->SetBold(true);
      cell->SetValue(recordset->FieldName(i));
    }
    sheet->Range("A2")->CopyFromRecordset(recordset);
  }
  application.Save();
}

// The generated rows in the table Accounts of a new SQLite file, and the data
// source QuorviaReports on it, set up in `folder` for this process.
void MakeReportsSource(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  const std::string database = (folder / "reports.db").string();
  MakeReportDatabase(database);
  storetool::WriteSystemIni(folder.string(), database,
                            storetool::FindSqliteDriver(storetool::SqliteDriverFolders()));
  std::ofstream((folder / "user.ini").string());
  setenv("ODBCSYSINI", folder.c_str(), 1);
  setenv("ODBCINI", (folder / "user.ini").c_str(), 1);
}

host::Ref<host::ado::Recordset> ReportsQuery() {
  auto connection = host::MakeRef<odbc::OdbcConnection>(std::make_shared<odbc::ConnectionPool>());
  connection->Open("QuorviaReports", "", "", -1);
  auto recordset = host::MakeRef<odbc::OdbcRecordset>();
  recordset->Open(kReportQuery, connection);
  return recordset;
}

// The same cells through libxlsxwriter alone: the least the host can cost.
void WriteDirectly(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  lxw_workbook* workbook = workbook_new_opt((folder / "direct.xlsx").c_str(), &options);
  lxw_worksheet* sheet = workbook_add_worksheet(workbook, nullptr);
  lxw_format* header = workbook_add_format(workbook);
  format_set_bold(header);
  format_set_align(header, LXW_ALIGN_CENTER);
  lxw_format* date = workbook_add_format(workbook);
  format_set_num_format(date, "yyyy-mm-dd");
  lxw_format* stamp = workbook_add_format(workbook);
  format_set_num_format(stamp, "yyyy-mm-dd hh:mm:ss");
  for (lxw_col_t column = 0; column < kReportColumns; ++column) {
    worksheet_set_column(sheet, column, column, 15, nullptr);
    worksheet_write_string(sheet, 0, column, kReportNames[column], header);
  }
  for (long row = 1; row <= kReportRows; ++row) {
    const auto texts = ReportRowTexts(row);
    const auto at = static_cast<lxw_row_t>(row);
    for (lxw_col_t column = 0; column < 3; ++column) {
      worksheet_write_number(sheet, at, column, std::stod(texts[column]), nullptr);
    }
    lxw_datetime day{};
    std::sscanf(texts[3].c_str(), "%d-%d-%d", &day.year, &day.month, &day.day);
    worksheet_write_datetime(sheet, at, 3, &day, date);
    lxw_datetime when{};
    std::sscanf(texts[4].c_str(), "%d-%d-%d %d:%d:%lf", &when.year, &when.month, &when.day, &when.hour,
                &when.min, &when.sec);
    worksheet_write_datetime(sheet, at, 4, &when, stamp);
    worksheet_write_boolean(sheet, at, 5, texts[5] == "1", nullptr);
    worksheet_write_string(sheet, at, 6, texts[6].c_str(), nullptr);
    worksheet_write_string(sheet, at, 7, texts[7].c_str(), nullptr);
  }
  if (workbook_close(workbook) != LXW_NO_ERROR) Fail("libxlsxwriter cannot write direct.xlsx");
}

// Runs `body` in a child process; its time, CPU time and peak memory.
Sample InChild(const std::function<void()>& body) {
  int status = 0;
  rusage usage{};
  const double seconds = Seconds([&] {
    const pid_t pid = fork();
    if (pid < 0) Fail("cannot fork");
    if (pid == 0) {
      try {
        body();
      } catch (const std::exception& error) {
        std::cerr << error.what() << "\n";
        _exit(1);
      }
      _exit(0);
    }
    if (wait4(pid, &status, 0, &usage) != pid) Fail("lost the child");
  });
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) Fail("a child failed");
  return ChildSample(seconds, usage);
}

std::uintmax_t FolderBytes(const std::filesystem::path& folder) {
  std::uintmax_t bytes = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) bytes += entry.file_size();
  return bytes;
}

constexpr const char* kWriters[] = {"host, generated rows", "libxlsxwriter alone", "host, SQLite data source"};
constexpr const char* kFolders[] = {"host", "direct", "odbc"};

// Writes with one writer into its emptied folder.
void Write(const WorkFolder& folder, std::size_t writer) {
  const std::filesystem::path into = folder.Path(kFolders[writer]);
  std::filesystem::remove_all(into);
  if (writer == 0) WriteThroughTheHost(into, host::MakeRef<GeneratedRecordset>());
  if (writer == 1) WriteDirectly(into);
  if (writer == 2) WriteThroughTheHost(into, ReportsQuery());
}

int Run(const Options& options) {
  WorkFolder folder(options);
  MakeReportsSource(folder.Path("source"));
  std::cout << "writing " << kReportRows << " rows of " << kReportColumns << " typed columns: "
            << options.repetitions << " rounds after one warm-up, the writers taking turns\n\n" << std::flush;
  const WaySamples samples = RunRounds(options.repetitions, std::size(kWriters), [&](std::size_t writer, bool) {
    return InChild([&] { Write(folder, writer); });
  });
  WayTable table = NewWayTable();
  AddWays(table, {}, {kWriters[0], kWriters[1], kWriters[2]}, samples, 1, 0, 2.0);
  PrintWays(table);
  std::cout << "\n";
  std::vector<std::vector<std::string>> sizes = {{"writer", "file MB", "highest peak RSS MiB"}};
  for (std::size_t writer : {0, 2}) {
    const std::vector<double> peaks = PeakKib(samples[writer]);
    const double mib = *std::max_element(peaks.begin(), peaks.end()) / 1024;
    sizes.push_back({kWriters[writer], Fixed(static_cast<double>(FolderBytes(folder.Path(kFolders[writer]))) / 1e6, 1),
                     Fixed(mib, 1) + " (goal <= " + Fixed(kMostRssMib, 0) + (mib <= kMostRssMib ? ", met)" : ", MISSED)")});
  }
  PrintTable(sizes);
  return 0;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
  return bench::BenchmarkMain(argc, argv, "sheet_bench",
      "Times writing 1,000,000 report rows through the spreadsheet host against libxlsxwriter alone,\n"
      "with the peak memory of each.", bench::Run);
}
