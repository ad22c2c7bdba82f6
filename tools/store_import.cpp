#include "tools/store_import.h"

#include <stdexcept>
#include <vector>

#include "host/store/schema.h"
#include "host/store/store_location.h"
#include "tools/document_reader.h"
#include "tools/new_store.h"
#include "tools/store_check.h"
#include "tools/store_file.h"
#include "tools/store_rows.h"

namespace storetool {
namespace {

// A document can be well-formed and still describe a store that check
// refuses (no "Account Profiles", say): such a store is not made.
void RefuseWhatCheckReports(const store::Database& db, const std::string& file) {
  const std::vector<std::string> problems = CheckStore(db);
  if (problems.empty()) return;
  std::string message;
  for (const std::string& problem : problems) {
    if (!message.empty()) message += '\n';
    message.append(file).append(": ").append(problem);
  }
  throw std::runtime_error(message);
}

}  // namespace

void ImportStore(std::istream& in, const std::string& file, const std::string& path) {
  if (store::EngineOf(path) == store::Engine::kPostgres) {
    MakeStore(path, kDefaultOutlookVersion, [&](store::Database& db) {
      ReadStoreDocument(in, file, db);
      RefuseWhatCheckReports(db, file);
    });
    return;
  }
  NewStoreFile target(path);
  target.Make([&](const std::string& temp_path) {
    auto db = store::CreateStore(temp_path, store::NewIdentifier(store::kStoreIdBytes), kDefaultOutlookVersion);
    BulkLoad load(*db);
    store::Transaction transaction(*db);
    ReadStoreDocument(in, file, *db);
    transaction.Commit();
    load.Finish();
    RefuseWhatCheckReports(*db, file);
  });
}

}  // namespace storetool
