// ExcelReport: the built quorvia-utilities writes 1,000,000 records of eight
// typed columns from the SQLite data source QuorviaReports to a workbook,
// timed against plain_report, the least program that reads the same query
// over unixODBC and writes the same cells with libxlsxwriter; both are child
// processes, so their peak memory compares. The program also counts the
// records before it writes; plain_report does not. The ways take turns.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/report_rows.h"

namespace bench {
namespace {

namespace fs = std::filesystem;

constexpr double kGoalRatio = 1.2;
constexpr double kMostRssMib = 50;
// The folder the program writes its workbooks in, in the work folder.
constexpr char kProgramFolder[] = "program";

void SetEnvironment(const char* name, const std::string& value) {
  if (setenv(name, value.c_str(), 1) != 0) Fail(std::string("cannot set ") + name);
}

// The reports database, made under a temporary name so that a kept folder
// never holds a half-made one; a store for the program; and the data source
// on the database, with StepAPI=1, for this process and its children.
void MakeSetup(const WorkFolder& folder) {
  const fs::path database = folder.Path("report-rows.db");
  if (!fs::exists(database)) {
    std::cout << "making " << kReportRows << " rows of " << kReportColumns << " columns with SQLite ..." << std::endl;
    const fs::path made = database.string() + ".new";
    RemoveStore(made);
    MakeReportDatabase(made);
    fs::rename(made, database);
  }
  const fs::path store = folder.Path("report-store.db");
  if (!fs::exists(store)) RunChild({QUORVIA_STORE_PROGRAM, "--store", store.string(), "init"});
  const fs::path odbc = folder.Path("report-odbc");
  fs::create_directories(odbc);
  RunChild({QUORVIA_STORE_PROGRAM, "reports-dsn", database.string(), "--sysini", odbc.string()});
  SetEnvironment("ODBCSYSINI", odbc.string());
  SetEnvironment("ODBCINI", (odbc / "odbc.ini").string());
  SetEnvironment("QUORVIA_STORE", store.string());
  SetEnvironment("QUORVIA_UI", "console");
  SetEnvironment("QUORVIA_LOG", "0");
  SetEnvironment("QUORVIA_OPEN", "0");
  SetEnvironment("XDG_STATE_HOME", folder.Path("state").string());
  SetEnvironment("QUORVIA_REPORTS_DIR", folder.Path(kProgramFolder).string());
  unsetenv("QUORVIA_TRACE");
}

struct Way {
  std::string name;
  fs::path folder;  // where its workbook goes, emptied before each run
  std::vector<std::string> args;
  bool prints_book;  // true: it names its workbook on its standard output
  fs::path book;     // the workbook of its last run
};

// Runs the way once into its emptied folder and notes its workbook.
ChildRun RunWay(Way& way) {
  fs::remove_all(way.folder);
  fs::create_directories(way.folder);
  // The program writes its workbook in the folder the environment names.
  if (way.prints_book) SetEnvironment("QUORVIA_REPORTS_DIR", way.folder.string());
  const fs::path printed = way.folder.string() + ".out";
  const ChildRun run = RunChild(way.args, 0, {}, printed);
  if (way.prints_book) {
    std::ifstream lines(printed);
    std::string path;
    std::getline(lines, path);
    way.book = path;
  }
  fs::remove(printed);
  if (!fs::exists(way.book)) Fail(way.name + " wrote no workbook at " + way.book.string());
  return run;
}

std::vector<Way> Ways(const Options& options, const WorkFolder& folder) {
  const fs::path program = folder.Path(kProgramFolder);
  const fs::path plain = folder.Path("plain");
  std::vector<Way> ways = {
      {"quorvia-utilities", program, {QUORVIA_UTILITIES_PROGRAM, std::string("ExcelReport;") + kReportQuery}, true,
       {}},
      {"plain_report", plain, {QUORVIA_PLAIN_REPORT_PROGRAM, kReportQuery, (plain / "plain.xlsx").string()}, false,
       plain / "plain.xlsx"},
  };
  if (!options.before.empty()) {
    ways.push_back({"quorvia-utilities of --before", folder.Path("program-before"),
                    {(options.before / "quorvia-utilities").string(), std::string("ExcelReport;") + kReportQuery}, true,
                    {}});
  }
  return ways;
}

// The ways take turns in rounds after a warm-up round.
WaySamples MeasureWays(const Options& options, std::vector<Way>& ways) {
  return RunRounds(options.repetitions, ways.size(), [&](std::size_t index, bool) { return Sample(RunWay(ways[index])); });
}

// What a workbook's first sheet holds, read with Python's zip module: the
// range its dimension gives, and the CRC-32 and size of the sheet's XML.
struct SheetSummary {
  std::string dimension;
  std::string crc;
  std::string bytes;
};

constexpr char kSummaryScript[] =
    "import re, sys, zipfile\n"
    "for path in sys.argv[1:]:\n"
    "    with zipfile.ZipFile(path) as book:\n"
    "        info = book.getinfo('xl/worksheets/sheet1.xml')\n"
    "        with book.open(info) as sheet:\n"
    "            head = sheet.read(4096).decode('utf-8', 'replace')\n"
    "        found = re.search(r'<dimension ref=\"([^\"]+)\"', head)\n"
    "        print(found.group(1) if found else '-', info.CRC, info.file_size)\n";

std::vector<SheetSummary> Summaries(const std::vector<Way>& ways, const WorkFolder& folder) {
  const fs::path script = folder.Path("sheet_summary.py");
  std::ofstream(script) << kSummaryScript;
  std::string command = "python3 " + script.string();
  for (const Way& way : ways) command.append(" '").append(way.book.string()).append("'");
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) Fail("cannot run python3");
  std::string text;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) text += buffer;
  const int status = pclose(pipe);
  fs::remove(script);
  if (status != 0) Fail("python3 cannot read the workbooks");
  std::vector<SheetSummary> summaries;
  std::istringstream lines(text);
  for (SheetSummary summary; lines >> summary.dimension >> summary.crc >> summary.bytes;) summaries.push_back(summary);
  if (summaries.size() != ways.size()) Fail("python3 read " + std::to_string(summaries.size()) + " workbooks");
  return summaries;
}

// Fails unless every workbook's sheet spans the header and every record;
// says whether the sheets are the same to the byte.
void CheckSameRows(const std::vector<Way>& ways, const WorkFolder& folder) {
  const std::vector<SheetSummary> summaries = Summaries(ways, folder);
  const char last_column = static_cast<char>('A' + kReportColumns - 1);
  const std::string expected = std::string("A1:") + last_column + std::to_string(kReportRows + 1);
  for (std::size_t i = 0; i < ways.size(); ++i) {
    std::cout << ways[i].name << ": " << ways[i].book.filename().string() << ", sheet " << summaries[i].dimension
              << ", " << summaries[i].bytes << " bytes of sheet XML, CRC " << summaries[i].crc << "\n";
    if (summaries[i].dimension != expected) {
      Fail(ways[i].name + " wrote a sheet of " + summaries[i].dimension + ", not " + expected);
    }
  }
  const bool same = summaries[0].crc == summaries[1].crc && summaries[0].bytes == summaries[1].bytes;
  std::cout << "the program's sheet and plain_report's are " << (same ? "the same" : "NOT the same")
            << " to the byte\n\n";
}

void PrintFigures(const std::vector<Way>& ways, const WaySamples& samples) {
  std::vector<std::string> names;
  for (const Way& way : ways) names.push_back(way.name);
  WayTable table = NewWayTable();
  AddWays(table, {}, names, samples, 1, 0, kGoalRatio);
  PrintWays(table);
  const std::vector<double> peaks = PeakKib(samples[0]);
  const double peak_mib = *std::max_element(peaks.begin(), peaks.end()) / 1024;
  std::cout << "\nhighest peak RSS of the program: " << Fixed(peak_mib, 1) << " MiB (goal <= " << Fixed(kMostRssMib, 0)
            << (peak_mib <= kMostRssMib ? ", met)\n" : ", MISSED)\n");
}

int Run(const Options& options) {
  WorkFolder folder(options);
  MakeSetup(folder);
  std::vector<Way> ways = Ways(options, folder);
  std::cout << "EXCELREPORT: ExcelReport;" << kReportQuery << "\n"
            << "measuring: median [min-max] of " << options.repetitions
            << " rounds after one warm-up; the ways take turns, each a child process\n\n"
            << std::flush;
  const WaySamples samples = MeasureWays(options, ways);
  CheckSameRows(ways, folder);
  PrintFigures(ways, samples);
  for (const Way& way : ways) fs::remove_all(way.folder);
  return 0;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
  return bench::BenchmarkMain(argc, argv, "report_bench",
      "Times ExcelReport of 1,000,000 records of 8 typed columns by quorvia-utilities, from the SQLite data\n"
      "source to a workbook, against a minimal ODBC and libxlsxwriter program, with the peak memory of each.",
      bench::Run);
}
