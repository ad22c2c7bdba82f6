#include "tools/store_commands.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <stdexcept>

#include "app/run_log.h"
#include "host/descriptor_output.h"
#include "host/store/journal.h"
#include "host/store/journal_undo.h"
#include "host/store/schema.h"
#include "host/store/store_location.h"
#include "host/store/store_session.h"
#include "tools/counted.h"
#include "tools/demo_store.h"
#include "tools/metered_streams.h"
#include "tools/new_store.h"
#include "tools/reports_data_source.h"
#include "tools/reports_mirror.h"
#include "tools/store_backup.h"
#include "tools/store_check.h"
#include "tools/store_command_line.h"
#include "tools/store_copy.h"
#include "tools/store_export.h"
#include "tools/store_file.h"
#include "tools/store_import.h"
#include "tools/store_listing.h"
#include "tools/store_opening.h"
#include "tools/store_preview.h"
#include "tools/journal_report.h"
#include "tools/store_rows.h"

namespace storetool {
namespace {

constexpr char kProgram[] = "quorvia-store";

// What a command gets: the request, the streams, and the store's path,
// worked out when first asked for.
struct Call {
  // The store's path or server location. Temporary files that killed runs
  // left beside a store file go.
  const std::string& StorePath() {
    if (!store_path) {
      store_path = request.store.empty() ? store::DefaultStorePath(environment) : request.store;
      if (store::EngineOf(*store_path) == store::Engine::kSqlite) RemoveLeftovers(*store_path);
    }
    return *store_path;
  }
  // The store as messages name it: a server location's password masked.
  std::string ShownStore() { return store::MaskPassword(StorePath()); }
  // A meter for long work, shown only when the messages go to a terminal.
  ProgressMeter Meter(const char* what, ProgressMeter::Unit unit) const {
    return ProgressMeter(err_is_terminal ? &err : nullptr, what, unit);
  }

  const Request request;
  const store::Environment& environment;
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
  bool err_is_terminal;
  std::optional<std::string> store_path;
};

int RunInit(Call& call) {
  MakeStore(call.StorePath(), call.request.outlook_version, [](store::Database& db) {
    StoreWriter writer(db);
    const std::int64_t database = writer.AddFolder(std::nullopt, store::NewIdentifier(store::kEntryIdBytes),
                                                   store::kDatabaseFolderName, kDefaultMessageClass);
    // Alerts are made in a folder of this name and never make it themselves.
    writer.AddFolder(database, store::NewIdentifier(store::kEntryIdBytes), "Alerts", "IPM.StickyNote");
  });
  return kExitOk;
}

int RunImport(Call& call) {
  const std::string& file = call.request.argument;
  std::ifstream opened;
  std::uint64_t total = 0;
  if (file != "-") {
    opened.open(file, std::ios::binary);
    if (!opened) throw std::runtime_error(file + ": cannot open: " + std::strerror(errno));
    std::error_code unknown;
    if (std::filesystem::is_regular_file(file, unknown)) total = std::filesystem::file_size(file, unknown);
  }
  ProgressMeter meter = call.Meter("import", ProgressMeter::Unit::kBytes);
  MeteredInput metered(file == "-" ? *call.in.rdbuf() : *opened.rdbuf(), meter, total);
  std::istream input(&metered);
  ImportStore(input, file == "-" ? "<stdin>" : file, call.StorePath());
  return kExitOk;
}

// Writes the export on `destination`, showing its progress.
void ExportWithMeter(Call& call, store::Database& db, std::ostream& destination) {
  ProgressMeter meter = call.Meter("export", ProgressMeter::Unit::kBytes);
  MeteredOutput metered(*destination.rdbuf(), meter);
  std::ostream out(&metered);
  ExportStore(db, out);
  if (!out.flush()) destination.setstate(std::ios::badbit);
}

// The export as a new private file that appears only once it is whole.
void ExportToFile(Call& call, store::Database& db) {
  NewStoreFile file(call.request.output, NewStoreFile::Folders::kMustExist);
  file.Make([&](const std::string& temp_path) {
    const int fd = ::open(temp_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) throw std::runtime_error(temp_path + ": cannot make it: " + std::strerror(errno));
    host::DescriptorOutput buffer(fd);
    std::ostream out(&buffer);
    ExportWithMeter(call, db, out);
    const bool written = static_cast<bool>(out.flush());
    const std::string why = host::WriteFailureReason(out);
    if (::close(fd) != 0 || !written) {
      throw std::runtime_error(temp_path + ": cannot write it: " + (why.empty() ? std::strerror(errno) : why));
    }
  });
}

int RunExport(Call& call) {
  const auto db = OpenStoreToRead(call.StorePath());
  if (call.request.output.empty()) {
    ExportWithMeter(call, *db, call.out);
  } else {
    ExportToFile(call, *db);
  }
  return kExitOk;
}

int RunBackup(Call& call) {
  ProgressMeter meter = call.Meter("backup", ProgressMeter::Unit::kBytes);
  BackupStore(*OpenStoreToRead(call.StorePath()), call.request.argument, meter);
  return kExitOk;
}

int RunCopy(Call& call) {
  CopyStore(*OpenStoreToRead(call.request.argument), call.request.target);
  return kExitOk;
}

int RunList(Call& call) {
  ListFolders(*OpenStoreToRead(call.StorePath()), call.out);
  return kExitOk;
}

int RunShow(Call& call) {
  // Entry IDs are stored in upper case; people type them either way.
  std::string entry_id = call.request.argument;
  for (char& c : entry_id) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  if (!ShowItem(*OpenStoreToRead(call.StorePath()), entry_id, call.out)) {
    throw std::runtime_error(call.ShownStore() + ": no item has the entry ID \"" + call.request.argument + "\"");
  }
  return kExitOk;
}

int RunFind(Call& call) {
  const auto db = OpenStoreToRead(call.StorePath());
  // As grep: finding nothing is status 1, without a message.
  return FindAccountItems(*db, call.request.argument, call.out) > 0 ? kExitOk : kExitFailed;
}

int RunCheck(Call& call) {
  const std::vector<std::string> problems = CheckStore(*OpenStoreToRead(call.StorePath()));
  const std::string shown = call.ShownStore();
  for (const std::string& problem : problems) call.out << shown << ": " << problem << '\n';
  if (problems.empty()) call.out << "ok\n";
  return problems.empty() ? kExitOk : kExitFailed;
}

int RunDemo(Call& call) {
  ProgressMeter meter = call.Meter("demo", ProgressMeter::Unit::kItems);
  MakeDemoStore(call.request.demo, call.StorePath(), meter);
  return kExitOk;
}

int RunReportsDatabase(Call& call) {
  MirrorReports(*OpenStoreToRead(call.StorePath()), call.request.argument);
  return kExitOk;
}

int RunReportsDataSource(Call& call) {
  if (call.request.sysini.empty()) {
    InstallUserDataSource(call.request.argument);
  } else {
    WriteSystemIni(call.request.sysini, call.request.argument, FindSqliteDriver(SqliteDriverFolders()));
  }
  return kExitOk;
}

int RunHistory(Call& call) {
  if (call.request.prune) {
    const auto db = store::OpenStore(call.StorePath());
    store::Transaction transaction(*db);
    const int removed = store::PruneJournal(*db, store::Retention::FromProcess());
    transaction.Commit();
    call.out << "removed " << Counted(removed, "run", "runs") << '\n';
  }
  const auto db = OpenStoreToRead(call.StorePath());
  if (call.request.argument.empty()) {
    WriteHistory(*db, call.out);
  } else {
    WriteRun(*db, call.request.argument, call.out);
  }
  return kExitOk;
}

int RunUndo(Call& call) {
  const std::string& run = call.request.argument;
  store::RunRecord record;
  if (!store::JournalOffInProcess()) {
    const app::RunIdentity identity = app::RunIdentity::Start();
    record = {identity.id, identity.started, identity.user,
              std::string("quorvia-store undo ") + run + (call.request.force ? " --force" : "")};
  }
  store::StoreSession session(call.StorePath(), record);
  const store::UndoResult result = store::UndoRun(session, run, call.request.force, store::Retention::FromProcess());
  if (!result.done) {
    call.err << kProgram << ": run " << result.run_id << " was not taken back: later changes touched "
             << result.conflicts.size() << " of its items"
             << " (undo --force takes it back over them):\n";
    for (const std::string& entry_id : result.conflicts) call.err << "  " << entry_id << '\n';
    return kExitFailed;
  }
  call.out << "took back run " << result.run_id << ": " << Counted(result.restored, "item", "items") << " restored, "
           << Counted(result.recreated, "deleted item", "deleted items") << " stored again, "
           << Counted(result.removed, "created item", "created items") << " removed";
  if (!result.conflicts.empty()) call.out << ", over later changes to " << result.conflicts.size();
  call.out << '\n';
  for (const std::string& skipped : result.skipped) call.out << "not restored: " << skipped << '\n';
  return result.skipped.empty() ? kExitOk : kExitFailed;
}

int RunPreview(Call& call) {
  return PreviewCommand(call.StorePath(), call.request.argument, call.out) == 0 ? kExitOk : kExitFailed;
}

int Run(Call& call) {
  static const std::map<std::string, int (*)(Call&)> commands = {
      {"init", RunInit}, {"import", RunImport}, {"export", RunExport}, {"backup", RunBackup}, {"copy", RunCopy},
      {"ls", RunList},   {"show", RunShow},     {"find", RunFind},     {"check", RunCheck},
      {"demo", RunDemo}, {"reports-db", RunReportsDatabase}, {"reports-dsn", RunReportsDataSource},
      {"history", RunHistory}, {"undo", RunUndo}, {"preview", RunPreview},
  };
  return call.request.command.empty() ? kExitOk : commands.at(call.request.command)(call);
}

// Output that could not be written is a failure of the command.
int CheckOutput(int status, std::ostream& out) {
  if (out.flush()) return status;
  const std::string reason = host::WriteFailureReason(out);
  throw std::runtime_error("cannot write to standard output" + (reason.empty() ? "" : ": " + reason));
}

}  // namespace

int RunStoreTool(const std::vector<std::string>& args, const store::Environment& environment, std::istream& in,
                 std::ostream& out, std::ostream& err, bool err_is_terminal) {
  try {
    Call call{ParseCommandLine(args, out), environment, in, out, err, err_is_terminal, std::nullopt};
    return CheckOutput(Run(call), out);
  } catch (const UsageError& error) {
    const std::string command = error.command().empty() ? "" : " " + error.command();
    err << kProgram << command << ": " << error.what() << " (see '" << kProgram << command << " --help')\n";
    return kExitUsage;
  } catch (const std::exception& error) {
    err << kProgram << ": " << error.what() << '\n';
    return kExitFailed;
  }
}

}  // namespace storetool
