#include "app/run_log.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <stdexcept>

#include "host/utf8.h"
#include "host/xdg.h"

namespace app {
namespace {

namespace fs = std::filesystem;

std::string NewUuid() {
  std::array<unsigned char, 16> bytes{};
  if (getrandom(bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) {
    throw std::runtime_error(std::string("no random bytes for the run identifier: ") +
                             std::strerror(errno));
  }
  bytes[6] = (bytes[6] & 0x0F) | 0x40;  // version 4: random
  bytes[8] = (bytes[8] & 0x3F) | 0x80;  // the RFC 4122 variant
  std::string uuid;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) uuid += '-';
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02x", bytes[i]);
    uuid += hex;
  }
  return uuid;
}

std::string LocalTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
  // Offsets are whole minutes within a day, so they fit two digits each.
  const int minutes = static_cast<int>(std::labs(local.tm_gmtoff) / 60) % (24 * 60);
  char zone[16];
  std::snprintf(zone, sizeof zone, "%c%02d:%02d", local.tm_gmtoff < 0 ? '-' : '+', minutes / 60,
                minutes % 60);
  return std::string(text) + zone;
}

std::string UserName() {
  const uid_t uid = geteuid();
  const passwd* entry = getpwuid(uid);
  return entry != nullptr ? entry->pw_name : std::to_string(uid);
}

[[noreturn]] void Fail(const std::string& path, const std::string& what) {
  throw std::runtime_error("cannot write the run log " + path + ": " + what + ": " +
                           std::strerror(errno));
}

// Moves a full log aside. The lock makes concurrent runs rotate it once:
// each re-checks, under the lock, that the file it holds is still the log.
void RotateIfFull(int fd, const std::string& path, std::uintmax_t rotate_at) {
  struct stat held {};
  if (fstat(fd, &held) != 0 || static_cast<std::uintmax_t>(held.st_size) < rotate_at) return;
  if (flock(fd, LOCK_EX) != 0) return;
  struct stat named {};
  if (stat(path.c_str(), &named) == 0 && named.st_ino == held.st_ino && named.st_dev == held.st_dev) {
    std::rename(path.c_str(), (path + ".1").c_str());
  }
  flock(fd, LOCK_UN);
}

int OpenLog(const std::string& path) {
  const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) Fail(path, "open");
  return fd;
}

// Opens the log for appending; a full one is moved aside first.
int OpenRotated(const std::string& path, std::uintmax_t rotate_at) {
  int fd = OpenLog(path);
  RotateIfFull(fd, path, rotate_at);
  struct stat held {};
  struct stat named {};
  if (fstat(fd, &held) == 0 && (stat(path.c_str(), &named) != 0 || named.st_ino != held.st_ino)) {
    close(fd);  // rotated away: write to the new log
    fd = OpenLog(path);
  }
  return fd;
}

void MakeLogFolder(const fs::path& folder) {
  if (folder.empty() || fs::exists(folder)) return;
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) throw std::runtime_error("cannot make the run log's folder " + folder.string() + ": " + error.message());
  fs::permissions(folder, fs::perms::owner_all, error);
}

}  // namespace

RunIdentity RunIdentity::Start() {
  return RunIdentity{NewUuid(), LocalTimeNow(), UserName(), static_cast<long>(getpid())};
}

LogEnvironment LogEnvironment::FromProcess() {
  return LogEnvironment{host::EnvironmentVariable("QUORVIA_LOG"),
                        host::EnvironmentVariable("XDG_STATE_HOME"), host::EnvironmentVariable("HOME")};
}

std::optional<std::string> RunLogPath(const LogEnvironment& environment) {
  if (environment.quorvia_log == "0") return std::nullopt;
  const auto state_home =
      host::XdgBaseFolder(environment.xdg_state_home, environment.home, ".local/state");
  if (!state_home) return std::nullopt;
  return (*state_home / "quorvia" / "utilities.log").string();
}

std::string EscapeLogField(std::string_view field) {
  std::string escaped;
  escaped.reserve(field.size());
  while (!field.empty()) {
    // Bytes that are not UTF-8 are written as \xHH, so the log stays text.
    const std::size_t valid = host::FirstInvalidUtf8(field).value_or(field.size());
    for (const char c : field.substr(0, valid)) {
      switch (c) {
        case '\t': escaped += "\\t"; break;
        case '\n': escaped += "\\n"; break;
        case '\\': escaped += "\\\\"; break;
        default: escaped += c;
      }
    }
    if (valid == field.size()) break;
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(field[valid]));
    escaped += hex;
    field.remove_prefix(valid + 1);
  }
  return escaped;
}

std::optional<std::string> CompanionLogPath(const LogEnvironment& environment, std::string_view name) {
  const auto run_log = RunLogPath(environment);
  if (!run_log) return std::nullopt;
  return (fs::path(*run_log).parent_path() / name).string();
}

int OpenLogForAppending(const std::string& path, std::uintmax_t rotate_at) {
  try {
    MakeLogFolder(fs::path(path).parent_path());
    return OpenRotated(path, rotate_at);
  } catch (const std::runtime_error&) {
    return -1;
  }
}

void AppendRunLog(const std::string& path, const RunIdentity& run, std::string_view command_line,
                  int exit_status, std::string_view reason, std::uintmax_t rotate_at) {
  MakeLogFolder(fs::path(path).parent_path());
  std::string line;
  for (const std::string_view field :
       {std::string_view(run.id), std::string_view(run.started), std::string_view(run.user)}) {
    line += EscapeLogField(field) + '\t';
  }
  line += std::to_string(run.pid) + '\t' + EscapeLogField(command_line) + '\t' +
          std::to_string(exit_status) + '\t' + EscapeLogField(reason) + '\n';

  const int fd = OpenRotated(path, rotate_at);
  const ssize_t written = write(fd, line.data(), line.size());
  const int write_errno = errno;
  close(fd);
  errno = write_errno;
  if (written != static_cast<ssize_t>(line.size())) Fail(path, "write");
}

}  // namespace app
