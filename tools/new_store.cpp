#include "tools/new_store.h"

#include "host/store/schema.h"
#include "host/store/store_location.h"
#include "tools/store_file.h"

namespace storetool {

void MakeStore(const std::string& location, const std::string& outlook_version,
               const std::function<void(store::Database&)>& fill) {
  const std::string store_id = store::NewIdentifier(store::kStoreIdBytes);
  if (store::EngineOf(location) == store::Engine::kPostgres) {
    store::CreateStore(location, store_id, outlook_version, fill);
    return;
  }
  NewStoreFile target(location);
  target.Make([&](const std::string& temp_path) { store::CreateStore(temp_path, store_id, outlook_version, fill); });
}

}  // namespace storetool
