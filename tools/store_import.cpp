#include "tools/store_import.h"

#include "host/store/schema.h"
#include "tools/document_reader.h"
#include "tools/store_file.h"
#include "tools/store_rows.h"

namespace storetool {

void ImportStore(std::istream& in, const std::string& file, const std::string& path) {
  NewStoreFile target(path);
  {
    auto db = store::CreateStore(target.temp_path(), store::NewIdentifier(store::kStoreIdBytes),
                                 kDefaultOutlookVersion);
    BulkLoad load(*db);
    store::Transaction transaction(*db);
    ReadStoreDocument(in, file, *db);
    transaction.Commit();
    load.Finish();
  }
  target.Publish();
}

}  // namespace storetool
