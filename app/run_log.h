#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace app {

// One run of the program, made when it starts.
struct RunIdentity {
  std::string id;       // a random UUID: unique across processes and machines
  std::string started;  // local start time, ISO 8601 with offset: 2026-12-06T19:24:04+01:00
  std::string user;     // the OS user name, or the user id when it has none
  long pid = 0;

  // The identity of this process's run, starting now.
  static RunIdentity Start();
};

// The environment variables that place the run log.
struct LogEnvironment {
  std::string quorvia_log;     // QUORVIA_LOG: "0" turns the log off
  std::string xdg_state_home;  // XDG_STATE_HOME
  std::string home;            // HOME

  // Reads the three variables of this process (unset reads as empty).
  static LogEnvironment FromProcess();
};

// The run log's file: XDG_STATE_HOME/quorvia/utilities.log (an absolute
// XDG_STATE_HOME only), else HOME/.local/state/quorvia/utilities.log;
// nullopt when the log is off or neither variable is set.
std::optional<std::string> RunLogPath(const LogEnvironment& environment);

// The log grows to this size before it is moved to PATH.1, replacing the
// older one.
inline constexpr std::uintmax_t kRunLogRotateAt = 1 << 20;

// The file `name` beside the run log (open.log, inspector.log), where what
// the programs that a run starts say is kept; nullopt when the log is off.
std::optional<std::string> CompanionLogPath(const LogEnvironment& environment, std::string_view name);

// Opens the log at `path` for appending (close-on-exec), making its folder
// (0700) and the file (0600) when missing; one past `rotate_at` is moved to
// PATH.1 first. Yields the descriptor, or -1 when it cannot be opened.
int OpenLogForAppending(const std::string& path, std::uintmax_t rotate_at = kRunLogRotateAt);

// `field` as the log writes it: tab, newline and backslash as \t, \n, \\,
// and each byte that is not part of UTF-8 text as \xHH.
std::string EscapeLogField(std::string_view field);

// Appends one line for the run to the log at `path`, tab-separated: id,
// start time, user, pid, the command line, the exit status and the reason
// (empty for a run that did its work). Makes the folder (0700) and the file
// (0600) when missing; the line goes in one write, so lines of concurrent
// runs never interleave. Throws std::runtime_error naming the file when the
// line cannot be written.
void AppendRunLog(const std::string& path, const RunIdentity& run, std::string_view command_line,
                  int exit_status, std::string_view reason,
                  std::uintmax_t rotate_at = kRunLogRotateAt);

}  // namespace app
