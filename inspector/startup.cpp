#include "inspector/startup.h"

#include <unistd.h>

#include "app/run_log.h"

namespace inspector {

const char kHelpText[] = R"(Usage: quorvia-inspector
       quorvia-inspector --help | --version

The item windows of the Quorvia CRM utility: quorvia-utilities starts it when
an item opens in gui mode and hands it each item over a local socket, one
inspector per user and display. A sticky note opens in a yellow window whose
text is saved as it is typed; any other item opens read-only. It ends when
its last window closes, or after 30 s when no window was shown; started while
another inspector runs, it ends at once.

Environment:
  DISPLAY, WAYLAND_DISPLAY, QT_QPA_PLATFORM
                  where its windows go
  TMPDIR          the folder of its socket, quorvia-inspector-UID-DISPLAY
  QUORVIA_LOG     0: keep no inspector.log
  XDG_STATE_HOME  the folder of inspector.log (default ~/.local/state)

Files:
  $XDG_STATE_HOME/quorvia/inspector.log
                  its errors, when standard error is not a terminal

Exit statuses:
  0  its last window closed, or another inspector runs
  2  used wrongly: an argument, or no window can be opened (no display)
)";

std::optional<int> AnswerCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) return std::nullopt;
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    out << kHelpText;
    return 0;
  }
  if (args.size() == 1 && args[0] == "--version") {
    out << "quorvia-inspector " << QUORVIA_VERSION << '\n';
    return 0;
  }
  err << "quorvia-inspector: takes no argument but --help or --version (got \"" << args[0] << "\")\n";
  return 2;
}

void KeepErrorsInLog() {
  if (isatty(STDERR_FILENO) == 1) return;
  const auto path = app::CompanionLogPath(app::LogEnvironment::FromProcess(), "inspector.log");
  if (!path) return;
  const int fd = app::OpenLogForAppending(*path);
  if (fd < 0) return;
  dup2(fd, STDERR_FILENO);
  close(fd);
}

}  // namespace inspector
