#include "tools/reports_data_source.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "host/xdg.h"

namespace storetool {
namespace {

constexpr char kDataSource[] = "QuorviaReports";
constexpr char kDriverName[] = "SQLite3";
constexpr char kDriverFile[] = "libsqlite3odbc.so";

std::string DriverStanza(const std::string& driver_path) {
  return std::string("[") + kDriverName + "]\nDescription=SQLite3 ODBC Driver\nDriver=" + driver_path +
         "\nSetup=" + driver_path + "\n";
}

// NoCreat: a database file that went missing is an error, never a new,
// empty database. StepAPI: rows are read one at a time as they are
// fetched, instead of the whole result before the first, so a large query
// runs in constant memory. Timeout: how long, in milliseconds, a statement
// waits for a database that another program has locked before it fails:
// 30 s, as the CRM store waits, instead of the driver's 100 s.
std::string DataSourceStanza(const std::string& database) {
  return std::string("[") + kDataSource + "]\nDescription=Quorvia CRM reports database\nDriver=" + kDriverName +
         "\nDatabase=" + database + "\nNoCreat=1\nStepAPI=1\nTimeout=30000\n";
}

void WriteTextFile(const std::string& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!(file << text) || !file.flush()) throw std::runtime_error(path + ": cannot write: " + std::strerror(errno));
}

// The absolute path of the existing file `database`.
std::string DatabasePath(const std::string& database) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(database, error)) {
    throw std::runtime_error(database + ": no such database file; 'quorvia-store reports-db " + database +
                             "' makes one");
  }
  return std::filesystem::absolute(database).lexically_normal().string();
}

// Runs odbcinst with `args` and yields its exit status. Its output goes
// nowhere; its messages go to standard error when `show_errors`.
int RunOdbcinst(std::vector<std::string> args, bool show_errors) {
  args.insert(args.begin(), "odbcinst");
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  if (!show_errors) posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int failed = posix_spawnp(&pid, "odbcinst", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) {
    throw std::runtime_error(std::string("cannot run odbcinst: ") + std::strerror(failed) +
                             " (it comes with the Debian package unixodbc)");
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// A template file for odbcinst -f, removed when the object goes.
class TemplateFile {
 public:
  explicit TemplateFile(const std::string& text) {
    const std::string tmpdir = host::EnvironmentVariable("TMPDIR");
    path_ = (tmpdir.empty() ? std::string("/tmp") : tmpdir) + "/quorvia-odbc-XXXXXX";
    const int fd = mkstemp(path_.data());
    if (fd < 0) throw std::runtime_error(path_ + ": cannot make: " + std::strerror(errno));
    close(fd);
    WriteTextFile(path_, text);
  }
  ~TemplateFile() { unlink(path_.c_str()); }
  TemplateFile(const TemplateFile&) = delete;
  TemplateFile& operator=(const TemplateFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

void Install(const std::string& what, const std::string& stanza, const std::vector<std::string>& args) {
  const TemplateFile file(stanza);
  std::vector<std::string> with_file = args;
  with_file.insert(with_file.end(), {"-f", file.path()});
  if (const int status = RunOdbcinst(with_file, true); status != 0) {
    throw std::runtime_error("odbcinst could not register " + what + " (status " + std::to_string(status) + ")");
  }
}

}  // namespace

std::vector<std::string> SqliteDriverFolders() {
  std::vector<std::string> folders;
  if (std::string(QUORVIA_LIBRARY_ARCHITECTURE).empty()) {
    folders.push_back("/usr/lib64/odbc");
  } else {
    folders.push_back(std::string("/usr/lib/") + QUORVIA_LIBRARY_ARCHITECTURE + "/odbc");
  }
  folders.insert(folders.end(), {"/usr/lib/odbc", "/usr/local/lib/odbc"});
  return folders;
}

std::string FindSqliteDriver(const std::vector<std::string>& folders) {
  std::string looked;
  for (const std::string& folder : folders) {
    const std::string path = folder + "/" + kDriverFile;
    if (access(path.c_str(), R_OK) == 0) return path;
    looked += (looked.empty() ? "" : ", ") + folder;
  }
  throw std::runtime_error(std::string("the SQLite ODBC driver ") + kDriverFile + " is not in " + looked +
                           ": install the Debian package libsqliteodbc");
}

void WriteSystemIni(const std::string& folder, const std::string& database, const std::string& driver_path) {
  const std::string stanza = DataSourceStanza(DatabasePath(database));
  WriteTextFile(folder + "/odbcinst.ini", DriverStanza(driver_path));
  WriteTextFile(folder + "/odbc.ini", stanza);
}

void InstallUserDataSource(const std::string& database) {
  const std::string stanza = DataSourceStanza(DatabasePath(database));
  if (RunOdbcinst({"-q", "-d", "-n", kDriverName}, false) != 0) {
    Install(std::string("the driver ") + kDriverName, DriverStanza(FindSqliteDriver(SqliteDriverFolders())),
            {"-i", "-d"});
  }
  Install(std::string("the data source ") + kDataSource, stanza, {"-i", "-s", "-h"});
}

}  // namespace storetool
