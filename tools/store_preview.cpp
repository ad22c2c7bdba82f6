#include "tools/store_preview.h"

#include <map>
#include <memory>
#include <vector>

#include "app/form1.h"
#include "app/run_log.h"
#include "host/store/schema.h"
#include "host/store/store_session.h"
#include "tools/counted.h"
#include "tools/journal_report.h"
#include "tools/preview_desktop.h"

namespace storetool {
namespace {

// What the command would do in one folder.
struct FolderWork {
  RunCounts counts;
  std::vector<const TouchedItem*> deleted;
};

std::vector<TouchedItem> ItemsOfPreview(store::StoreSession& session) {
  auto run = session.Prepare("SELECT id FROM runs WHERE run_id = ?");
  if (!run->Bind(1, session.run_id()).Step()) return {};
  return ItemsOfRun(session.Db(), run->Int(0));
}

// The database folder holds the account items and their location accounts;
// the folders below it hold the items related to an account.
void WriteFolder(const std::string& path, const FolderWork& work, std::ostream& out) {
  const bool database = path == store::kDatabaseFolderName;
  if (work.counts.changed > 0) {
    out << path << ": "
        << (database ? Counted(work.counts.changed, "location account", "location accounts") + " re-pointed\n"
                     : Counted(work.counts.changed, "item", "items") + " re-keyed\n");
  }
  if (database) {
    for (const TouchedItem* item : work.deleted) {
      out << path << ": account item deleted: \"" << item->subject << "\" (" << item->entry_id << ")\n";
    }
  } else if (work.counts.deleted > 0) {
    out << path << ": " << Counted(work.counts.deleted, "item", "items") << " removed\n";
  }
  if (work.counts.created > 0) out << path << ": " << Counted(work.counts.created, "item", "items") << " created\n";
}

void WriteSummary(const std::vector<TouchedItem>& items, std::ostream& out) {
  std::map<std::string, FolderWork> folders;
  for (const TouchedItem& item : items) {
    FolderWork& work = folders[item.folder_path];
    const RunCounts one = CountItems({item});
    work.counts.changed += one.changed;
    work.counts.deleted += one.deleted;
    work.counts.created += one.created;
    if (one.deleted > 0) work.deleted.push_back(&item);
  }
  for (const auto& [path, work] : folders) WriteFolder(path, work, out);
  out << "in all: " << CountsText(CountItems(items)) << '\n';
}

}  // namespace

bool Previewable(const std::string& command) {
  const std::string function = command.substr(0, command.find(';'));
  return function == "Merge" || function == "Delete";
}

int PreviewCommand(const std::string& path, const std::string& command, std::ostream& out) {
  const app::RunIdentity identity = app::RunIdentity::Start();
  auto session = std::make_shared<store::StoreSession>(
      store::OpenStore(path, false),
      store::RunRecord{identity.id, identity.started, identity.user, "preview " + command});
  // Declared after the session, so it is rolled back before the store closes.
  store::Transaction everything(session->Db());
  store::UpgradeStore(session->Db());
  std::vector<std::string> messages;
  host::LinuxPlatform platform(session, PreviewDesktop(messages));
  app::Form1 form(platform, command, nullptr);
  form.Run();
  const app::Ending& ending = form.ending();
  out << "preview of " << command << " (nothing was written)\n";
  WriteSummary(ItemsOfPreview(*session), out);
  for (const std::string& message : messages) out << "message: " << message << '\n';
  const int status = app::ExitStatus(ending.outcome);
  out << "status: " << status;
  if (!ending.reason.empty()) out << " (" << ending.reason << ')';
  out << '\n';
  return status;
}

}  // namespace storetool
