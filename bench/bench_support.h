#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

// What the benchmark programs share: options, the work folder, making demo
// stores with quorvia-store, timing and printing.
namespace bench {

// The command line of a benchmark program.
struct Options {
  std::filesystem::path parent;  // --dir, else $TMPDIR, else /tmp
  std::filesystem::path stores;  // --stores: existing small.db and large.db to use
  bool keep = false;             // --keep: leave the work folder in place
  int repetitions = 5;           // --reps: measured runs per figure, after one warm-up
  bool small_only = false;       // --small-only: leave out the LARGE store
  std::filesystem::path before;  // --before DIR: an earlier build folder, its programs measured beside these
};

// Parses the arguments. Prints the usage and exits with status 2 when they
// are wrong, or with status 0 for --help.
Options ParseOptions(int argc, char** argv, const char* program, const char* what);

// A way a benchmark runs in a process of its own: the benchmark program
// started again as `PROGRAM --as MODE ARGS...` (see RunSelf), so that the
// way pays a process start, library loading and its exit as the program does.
using Mode = void (*)(const std::vector<std::string>& args);

// The main of a benchmark: runs the mode named by `--as MODE` when the
// arguments start with it, else parses the arguments and runs `run`; turns
// an error either throws into a message and exit status 1.
int BenchmarkMain(int argc, char** argv, const char* program, const char* what,
                  int (*run)(const Options&), const std::map<std::string, Mode>& modes = {});


// One demo store: its name and its quorvia-store demo options.
struct StoreSize {
  const char* name;  // "SMALL" or "LARGE"
  const char* file;  // file name in the work folder
  std::int64_t accounts;
  std::int64_t folders;
  std::int64_t items;
  std::int64_t key_account_items;
};

// The two stores: the same folders, seed and key account, 100 times the
// accounts and items.
inline constexpr StoreSize kSmall{"SMALL", "small.db", 1000, 2000, 10000, 1000};
inline constexpr StoreSize kLarge{"LARGE", "large.db", 100000, 2000, 1000000, 1000};

// What one run of a way cost: wall time, CPU time (user + system) and peak
// resident memory of the process that did the work.
struct Sample {
  double seconds = 0;
  double cpu_seconds = 0;
  long max_rss_kib = 0;
};

// What a child process that ran `seconds` cost, from its rusage.
Sample ChildSample(double seconds, const rusage& usage);

// How a child process ran.
struct ChildRun : Sample {
  bool made = false;  // false when the store was there already
};

// The stores to measure: SMALL, and LARGE unless --small-only.
std::vector<StoreSize> Sizes(const Options& options);

// The folder that holds the stores while the program runs: a new folder
// below the parent, removed at the end unless kept, or the --stores folder,
// which is never removed.
class WorkFolder {
 public:
  explicit WorkFolder(const Options& options);
  ~WorkFolder();
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;

  std::filesystem::path Path(const std::string& file) const { return path_ / file; }

  // Makes the store with quorvia-store demo, timing the child process, or
  // finds it there already when the folder was given with --stores. Fails
  // when the tool fails.
  ChildRun MakeStore(const StoreSize& size) const;

 private:
  std::filesystem::path path_;
  bool remove_ = false;
};

// Runs the program args[0] with its arguments in this process's environment
// and waits for it, timing it; its standard error goes to the file `errors`,
// its standard output to the file `output` and its standard input comes from
// the file `input` when they are given. Fails unless it exits with
// `expected_status`.
ChildRun RunChild(const std::vector<std::string>& args, int expected_status = 0,
                  const std::filesystem::path& errors = {}, const std::filesystem::path& output = {},
                  const std::filesystem::path& input = {});

// RunChild in two halves, for children that run at the same time: starts
// args[0] as RunChild does and yields its process id; then waits for that
// child, failing unless it exits with `expected_status`, and yields its CPU
// time and peak memory (seconds are left 0).
pid_t StartChild(const std::vector<std::string>& args, const std::filesystem::path& errors = {},
                 const std::filesystem::path& output = {}, const std::filesystem::path& input = {});
ChildRun FinishChild(pid_t pid, const std::string& program, int expected_status = 0);

// Runs this benchmark program again as `--as mode args...`, a child process
// timed as RunChild times it; fails unless the mode ends with status 0.
ChildRun RunSelf(const std::string& mode, const std::vector<std::string>& args);

// Starts args[0] with its arguments in this process's environment overridden
// by `env`, its standard streams on /dev/null, and yields its process id
// without waiting for it.
pid_t StartQuiet(const std::vector<std::string>& args, const std::map<std::string, std::string>& env);

// Checkpoints the store's write-ahead log into the file and truncates it, so
// that copying the file alone copies the whole store.
void CheckpointStore(const std::filesystem::path& path);

// Copies a checkpointed store to `copy`, replacing it and its journals, and
// syncs the copy to disk.
void CopyStore(const std::filesystem::path& from, const std::filesystem::path& copy);

// A digest (FNV-1a, 64 bits) of the bytes of a file, in hexadecimal.
std::string FileDigest(const std::filesystem::path& path);

// The digest of the document that quorvia-store exports from the store at
// `location`, written to the file `document` and removed: the same for two
// stores that hold the same folders, items and properties, whatever their
// row ids and engines.
std::string ExportDigest(const std::string& location, const std::filesystem::path& document);

// Removes a store file and its journals.
void RemoveStore(const std::filesystem::path& path);

// Seconds that `body` takes, on the steady clock.
double Seconds(const std::function<void()>& body);

// `body` run in this process: its wall time, the CPU time this process spent
// meanwhile, and this process's peak memory so far (not the body's alone).
Sample InProcess(const std::function<void()>& body);

// The samples of each way, in the order of the ways.
using WaySamples = std::vector<std::vector<Sample>>;

// Runs `ways` ways of doing the same work in rounds: one untimed warm-up
// round, then `repetitions` measured ones. In each round every way runs once,
// each round starting one way later, so that no way always follows the same
// one and a slow spell of the machine falls on all of them. `run(way,
// warm_up)` prepares that way's run (a fresh copy of the store, say), runs it
// and yields what the work cost. Yields the measured samples per way.
WaySamples RunRounds(int repetitions, std::size_t ways,
                     const std::function<Sample(std::size_t way, bool warm_up)>& run);

// The wall times, CPU times or peak memories (KiB) of samples.
std::vector<double> WallTimes(const std::vector<Sample>& samples);
std::vector<double> CpuTimes(const std::vector<Sample>& samples);
std::vector<double> PeakKib(const std::vector<Sample>& samples);

// The median of `times`; fails when there is none.
double Median(std::vector<double> times);

// A number with that many decimals: Fixed(35.17, 1) is "35.2".
std::string Fixed(double value, int decimals);
// Milliseconds with enough digits to compare: "12.3", "0.0456".
std::string Millis(double seconds);
// The median and the range of values, each as `format` writes it:
// "12.3 [11.9-13.0]".
std::string Spread(const std::vector<double>& values, const std::function<std::string(double)>& format);
// The median and the range of times in milliseconds, each divided by `per`:
// "12.3 [11.9-13.0]".
std::string MillisSpread(const std::vector<double>& times, double per = 1);
// A ratio with two decimals and the goal it is held to: "1.08 (goal <= 1.5, met)".
std::string Ratio(double numerator, double denominator, double goal);

// Prints a table with a header row, columns padded to their widest cell.
void PrintTable(const std::vector<std::vector<std::string>>& rows);

// The rows every benchmark prints for its ways, after a header row: for each
// way its name, median [min-max] of wall time and of CPU time in
// milliseconds and of peak memory in MiB, and the ratios of its medians of
// wall and CPU time to those of the way `floor`; the ratios of the way
// `judged` are held to `goal`. `prefix` cells (a store's name, say) start
// every row and `prefix_names` name them in the header.
struct WayTable {
  std::vector<std::string> prefix_names;
  std::vector<std::vector<std::string>> rows;
};
WayTable NewWayTable(const std::vector<std::string>& prefix_names = {});
// `judged` for ways of which none is held to a goal of a ratio.
inline constexpr std::size_t kNoWayJudged = static_cast<std::size_t>(-1);
void AddWays(WayTable& table, const std::vector<std::string>& prefix, const std::vector<std::string>& names,
             const WaySamples& samples, std::size_t floor, std::size_t judged, double goal);
// Prints the table with a header and a line saying what the figures are.
void PrintWays(const WayTable& table);

// Throws std::runtime_error with the message; each program's main prints it
// and exits with status 1, after the work folder is cleaned up.
[[noreturn]] void Fail(const std::string& message);

}  // namespace bench
