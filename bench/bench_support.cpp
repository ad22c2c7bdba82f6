#include "bench/bench_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace bench {
namespace {

namespace fs = std::filesystem;

void PrintUsage(std::ostream& out, const char* program, const char* what) {
  out << "Usage: " << program << " [--dir DIR] [--keep] [--stores DIR] [--reps N] [--small-only] [--before DIR]\n\n"
      << what << "\n\n"
      << "  --dir DIR     make the stores in a new folder below DIR (default $TMPDIR, else /tmp)\n"
      << "  --keep        keep that folder and its stores at the end\n"
      << "  --stores DIR  use small.db and large.db kept in DIR instead of making them\n"
      << "  --reps N      measured repetitions per figure, after one warm-up (default 5)\n"
      << "  --small-only  measure the SMALL store only, where there are two (LARGE is about 600 MB)\n"
      << "  --before DIR  also measure the programs of an earlier build in DIR (report_bench and\n"
      << "                transfer_bench; the others measure this build alone)\n";
}

double CpuSeconds(const rusage& usage) {
  const auto seconds = [](const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

fs::path DefaultParent() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp != nullptr && *tmp != '\0' ? fs::path(tmp) : fs::path("/tmp");
}

std::string Value(int argc, char** argv, int& i) {
  if (i + 1 >= argc) throw std::invalid_argument(std::string(argv[i]) + " needs a value");
  return argv[++i];
}

Options ParseWords(int argc, char** argv) {
  Options options;
  options.parent = DefaultParent();
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == "--dir") {
      options.parent = Value(argc, argv, i);
    } else if (word == "--stores") {
      options.stores = Value(argc, argv, i);
    } else if (word == "--keep") {
      options.keep = true;
    } else if (word == "--before") {
      options.before = Value(argc, argv, i);
    } else if (word == "--small-only") {
      options.small_only = true;
    } else if (word == "--reps") {
      options.repetitions = std::stoi(Value(argc, argv, i));
      if (options.repetitions < 1) throw std::invalid_argument("--reps must be at least 1");
    } else {
      throw std::invalid_argument("unknown argument " + word);
    }
  }
  return options;
}

}  // namespace

Options ParseOptions(int argc, char** argv, const char* program, const char* what) {
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--help" || std::string(argv[i]) == "-h") {
      PrintUsage(std::cout, program, what);
      std::exit(0);
    }
  }
  try {
    return ParseWords(argc, argv);
  } catch (const std::exception& error) {
    std::cerr << program << ": " << error.what() << "\n";
    PrintUsage(std::cerr, program, what);
    std::exit(2);
  }
}

int BenchmarkMain(int argc, char** argv, const char* program, const char* what,
                  int (*run)(const Options&), const std::map<std::string, Mode>& modes) {
  if (argc >= 3 && std::string(argv[1]) == "--as") {
    const auto mode = modes.find(argv[2]);
    if (mode == modes.end()) {
      std::cerr << program << ": no mode " << argv[2] << "\n";
      return 2;
    }
    try {
      mode->second(std::vector<std::string>(argv + 3, argv + argc));
      return 0;
    } catch (const std::exception& error) {
      std::cerr << program << " --as " << argv[2] << ": " << error.what() << "\n";
      return 1;
    }
  }
  const Options options = ParseOptions(argc, argv, program, what);
  try {
    return run(options);
  } catch (const std::exception& error) {
    std::cerr << program << ": " << error.what() << "\n";
    return 1;
  }
}

std::vector<StoreSize> Sizes(const Options& options) {
  if (options.small_only) return {kSmall};
  return {kSmall, kLarge};
}

WorkFolder::WorkFolder(const Options& options) {
  if (!options.stores.empty()) {
    path_ = options.stores;
    return;
  }
  fs::create_directories(options.parent);
  std::string pattern = (options.parent / "quorvia-bench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) Fail("cannot make a folder below " + options.parent.string());
  path_ = pattern;
  remove_ = !options.keep;
  std::cout << "stores in " << path_.string() << (remove_ ? " (removed at the end)" : " (kept)") << "\n";
}

WorkFolder::~WorkFolder() {
  std::error_code ignored;
  if (remove_) fs::remove_all(path_, ignored);
}

ChildRun WorkFolder::MakeStore(const StoreSize& size) const {
  const fs::path path = Path(size.file);
  if (fs::exists(path)) return ChildRun{};
  std::cout << "making " << size.name << " with quorvia-store demo ..." << std::endl;
  return RunChild({QUORVIA_STORE_PROGRAM, "--store", path.string(), "demo", "--seed", "1",
                   "--accounts", std::to_string(size.accounts), "--folders", std::to_string(size.folders),
                   "--items", std::to_string(size.items), "--key-account-items",
                   std::to_string(size.key_account_items)});
}

pid_t StartChild(const std::vector<std::string>& args, const fs::path& errors, const fs::path& output,
                 const fs::path& input) {
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!errors.empty()) {
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  }
  if (!output.empty()) {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  }
  if (!input.empty()) posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, input.c_str(), O_RDONLY, 0);
  pid_t pid = 0;
  const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) Fail("cannot start " + args[0] + ": " + std::strerror(failed));
  return pid;
}

ChildRun FinishChild(pid_t pid, const std::string& program, int expected_status) {
  int status = 0;
  // The rusage of that one child gives its peak memory.
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) Fail("lost the child " + program);
  if (!WIFEXITED(status)) Fail(program + " was killed by signal " + std::to_string(WTERMSIG(status)));
  if (WEXITSTATUS(status) != expected_status) {
    Fail(program + " exited with status " + std::to_string(WEXITSTATUS(status)) + ", not " +
         std::to_string(expected_status));
  }
  ChildRun run;
  static_cast<Sample&>(run) = ChildSample(0, usage);
  run.made = true;
  return run;
}

ChildRun RunChild(const std::vector<std::string>& args, int expected_status, const fs::path& errors,
                  const fs::path& output, const fs::path& input) {
  pid_t pid = 0;
  ChildRun run;
  const double seconds = Seconds([&] {
    pid = StartChild(args, errors, output, input);
    run = FinishChild(pid, args[0], expected_status);
  });
  run.seconds = seconds;
  return run;
}

ChildRun RunSelf(const std::string& mode, const std::vector<std::string>& args) {
  std::vector<std::string> line = {fs::read_symlink("/proc/self/exe").string(), "--as", mode};
  line.insert(line.end(), args.begin(), args.end());
  return RunChild(line);
}

void CheckpointStore(const fs::path& path) {
  sqlite3* db = nullptr;
  const bool ok = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
                  sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr) == SQLITE_OK;
  const std::string message = db != nullptr ? sqlite3_errmsg(db) : "out of memory";
  sqlite3_close(db);
  if (!ok) Fail(path.string() + ": checkpoint failed: " + message);
  const fs::path wal = path.string() + "-wal";
  if (fs::exists(wal) && fs::file_size(wal) != 0) Fail(wal.string() + " is not empty after a checkpoint");
}

void CopyStore(const fs::path& from, const fs::path& copy) {
  RemoveStore(copy);
  fs::copy_file(from, copy);
  // Otherwise the first checkpoint's fsync would write out the whole copy
  // and be timed as part of the command.
  const int fd = open(copy.c_str(), O_RDONLY | O_CLOEXEC);
  const bool synced = fd >= 0 && fsync(fd) == 0;
  if (fd >= 0) close(fd);
  if (!synced) Fail(copy.string() + ": cannot sync the copy");
}

std::string FileDigest(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail("cannot read " + path.string());
  std::uint64_t digest = 14695981039346656037ULL;
  std::vector<char> buffer(1 << 16);
  while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
    for (std::streamsize i = 0; i < in.gcount(); ++i) {
      digest = (digest ^ static_cast<unsigned char>(buffer[static_cast<std::size_t>(i)])) * 1099511628211ULL;
    }
  }
  char text[20];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(digest));
  return text;
}

std::string ExportDigest(const std::string& location, const fs::path& document) {
  RunChild({QUORVIA_STORE_PROGRAM, "--store", location, "export"}, 0, {}, document);
  const std::string digest = FileDigest(document);
  fs::remove(document);
  return digest;
}

void RemoveStore(const fs::path& path) {
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) fs::remove(path.string() + suffix);
}

double Seconds(const std::function<void()>& body) {
  const auto start = std::chrono::steady_clock::now();
  body();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

Sample ChildSample(double seconds, const rusage& usage) {
  return {seconds, CpuSeconds(usage), usage.ru_maxrss};
}

Sample InProcess(const std::function<void()>& body) {
  rusage before{}, after{};
  getrusage(RUSAGE_SELF, &before);
  Sample sample;
  sample.seconds = Seconds(body);
  getrusage(RUSAGE_SELF, &after);
  sample.cpu_seconds = CpuSeconds(after) - CpuSeconds(before);
  sample.max_rss_kib = after.ru_maxrss;
  return sample;
}

WaySamples RunRounds(int repetitions, std::size_t ways,
                     const std::function<Sample(std::size_t way, bool warm_up)>& run) {
  WaySamples samples(ways);
  for (int round = 0; round <= repetitions; ++round) {
    for (std::size_t turn = 0; turn < ways; ++turn) {
      const std::size_t way = (static_cast<std::size_t>(round) + turn) % ways;
      const Sample sample = run(way, round == 0);
      if (round > 0) samples[way].push_back(sample);
    }
  }
  return samples;
}

std::vector<double> WallTimes(const std::vector<Sample>& samples) {
  std::vector<double> values;
  for (const Sample& sample : samples) values.push_back(sample.seconds);
  return values;
}

std::vector<double> CpuTimes(const std::vector<Sample>& samples) {
  std::vector<double> values;
  for (const Sample& sample : samples) values.push_back(sample.cpu_seconds);
  return values;
}

std::vector<double> PeakKib(const std::vector<Sample>& samples) {
  std::vector<double> values;
  for (const Sample& sample : samples) values.push_back(static_cast<double>(sample.max_rss_kib));
  return values;
}

double Median(std::vector<double> times) {
  if (times.empty()) Fail("no times to take the median of");
  std::sort(times.begin(), times.end());
  const std::size_t middle = times.size() / 2;
  return times.size() % 2 == 1 ? times[middle] : (times[middle - 1] + times[middle]) / 2;
}

std::string Fixed(double value, int decimals) {
  std::ostringstream text;
  text << std::fixed << std::setprecision(decimals) << value;
  return text.str();
}

std::string Millis(double seconds) {
  const double ms = seconds * 1000;
  std::ostringstream text;
  text << std::fixed << std::setprecision(ms >= 100 ? 0 : ms >= 1 ? 2 : 4) << ms;
  return text.str();
}

std::string Spread(const std::vector<double>& values, const std::function<std::string(double)>& format) {
  if (values.empty()) Fail("no figures to show");
  const auto [least, most] = std::minmax_element(values.begin(), values.end());
  return format(Median(values)) + " [" + format(*least) + "-" + format(*most) + "]";
}

std::string MillisSpread(const std::vector<double>& times, double per) {
  return Spread(times, [per](double seconds) { return Millis(seconds / per); });
}

std::string Ratio(double numerator, double denominator, double goal) {
  std::ostringstream text;
  const double ratio = numerator / denominator;
  text << std::fixed << std::setprecision(2) << ratio << " (goal <= " << std::setprecision(1) << goal
       << (ratio <= goal ? ", met)" : ", MISSED)");
  return text.str();
}

void PrintTable(const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::size_t> widths;
  for (const auto& row : rows) {
    widths.resize(std::max(widths.size(), row.size()));
    for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
  }
  for (std::size_t r = 0; r < rows.size(); ++r) {
    std::string line;
    for (std::size_t c = 0; c < rows[r].size(); ++c) {
      line += (c == 0 ? "| " : " | ") + rows[r][c] + std::string(widths[c] - rows[r][c].size(), ' ');
    }
    std::cout << line << " |\n";
    if (r == 0) {
      std::string rule;
      for (const std::size_t width : widths) rule.append("|").append(width + 2, '-');
      std::cout << rule << "|\n";
    }
  }
  std::cout << std::flush;
}

WayTable NewWayTable(const std::vector<std::string>& prefix_names) {
  std::vector<std::string> header = prefix_names;
  for (const char* name : {"way", "wall ms", "CPU ms", "peak RSS MiB", "wall/floor", "CPU/floor"}) {
    header.push_back(name);
  }
  return {prefix_names, {header}};
}

void AddWays(WayTable& table, const std::vector<std::string>& prefix, const std::vector<std::string>& names,
             const WaySamples& samples, std::size_t floor, std::size_t judged, double goal) {
  const double floor_wall = Median(WallTimes(samples[floor]));
  const double floor_cpu = Median(CpuTimes(samples[floor]));
  for (std::size_t way = 0; way < samples.size(); ++way) {
    const double wall = Median(WallTimes(samples[way]));
    const double cpu = Median(CpuTimes(samples[way]));
    const auto ratio = [&](double value, double of_floor) {
      if (way == floor) return std::string("floor");
      return way == judged ? Ratio(value, of_floor, goal) : Fixed(value / of_floor, 2);
    };
    std::vector<std::string> row = prefix;
    row.insert(row.end(), {names[way], MillisSpread(WallTimes(samples[way])), MillisSpread(CpuTimes(samples[way])),
                           Spread(PeakKib(samples[way]), [](double kib) { return Fixed(kib / 1024, 1); }), ratio(wall, floor_wall),
                           ratio(cpu, floor_cpu)});
    table.rows.push_back(std::move(row));
  }
}

// Linux carries the high-water mark of the process that starts a program
// into the program's own through the exec, so a child's peak can read no
// lower than this process's peak when it started the child.
double OwnPeakMib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024;
}

void PrintWays(const WayTable& table) {
  std::cout << "median [min-max] of the measured rounds; peak RSS in MiB; wall/floor and CPU/floor are ratios of "
               "medians (CPU: user + system time of the way's process)\n"
            << "a child's peak RSS reads no lower than this benchmark's own when it started the child (now "
            << Fixed(OwnPeakMib(), 1) << " MiB): Linux keeps the starting process's through the exec\n";
  PrintTable(table.rows);
}

void Fail(const std::string& message) { throw std::runtime_error(message); }

pid_t StartQuiet(const std::vector<std::string>& args, const std::map<std::string, std::string>& env) {
  std::map<std::string, std::string> merged;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    if (const auto equals = text.find('='); equals != std::string::npos) {
      merged[text.substr(0, equals)] = text.substr(equals + 1);
    }
  }
  for (const auto& [name, value] : env) merged[name] = value;
  std::vector<std::string> env_texts;
  for (const auto& [name, value] : merged) env_texts.push_back(name + "=" + value);
  std::vector<char*> envp, argv;
  for (auto& text : env_texts) envp.push_back(text.data());
  envp.push_back(nullptr);
  std::vector<std::string> arg_texts = args;
  for (auto& text : arg_texts) argv.push_back(text.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    // Only the timing matters: the program's own output would mix with the table.
    const int null = open("/dev/null", O_RDWR);
    for (int fd : {0, 1, 2}) dup2(null, fd);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  if (pid < 0) Fail("fork failed");
  return pid;
}

}  // namespace bench
