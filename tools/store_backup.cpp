#include "tools/store_backup.h"

#include "host/store/sqlite/sqlite_backup.h"
#include "host/store/store_location.h"
#include "tools/store_copy.h"
#include "tools/store_file.h"

namespace storetool {

void BackupStore(store::Database& source, const std::string& target, ProgressMeter& progress) {
  // A server's store is copied row by row, from one snapshot.
  if (store::EngineOf(source.location()) == store::Engine::kPostgres) {
    CopyStore(source, target);
    return;
  }
  NewStoreFile file(target, NewStoreFile::Folders::kMustExist);
  file.Make([&](const std::string& temp_path) {
    const auto copy = store::OpenDatabase(temp_path, store::Database::Mode::kCreateNew);
    store::CopySqliteStore(source, *copy, target,
                           [&](std::uint64_t done, std::uint64_t total) { progress.Update(done, total); });
  });
}

}  // namespace storetool
