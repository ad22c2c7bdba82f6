// The JSON import: any document is either refused, leaving no file behind,
// or accepted, and then its export imports back into a store whose export is
// the same document.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <sstream>
#include <string>

#include "fuzz/fuzz_support.h"
#include "host/store/schema.h"
#include "host/store/test_store.h"
#include "tools/store_export.h"
#include "tools/store_import.h"

namespace {

namespace fs = std::filesystem;

std::string Export(const std::string& path) {
  std::ostringstream out;
  storetool::ExportStore(*store::OpenStore(path), out);
  return out.str();
}

void RemoveEverythingIn(const store::testing::TempDir& dir) {
  for (const std::string& name : dir.Entries()) fs::remove_all(dir.File(name));
}

void CheckRoundTrip(const store::testing::TempDir& dir, const std::string& first) {
  std::string exported;
  try {
    exported = Export(first);
    std::istringstream again(exported);
    storetool::ImportStore(again, "export.json", dir.File("again.db"));
  } catch (const std::exception& error) {
    fuzz::Broken(std::string("the export of an accepted document does not import: ") + error.what());
  }
  if (Export(dir.File("again.db")) != exported) {
    fuzz::Broken("the export of an accepted document imports as another store:\n" + exported);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const store::testing::TempDir dir;
  const std::string path = dir.File("crm.db");
  std::istringstream document(std::string(reinterpret_cast<const char*>(data), size));
  bool accepted = true;
  try {
    storetool::ImportStore(document, "input.json", path);
  } catch (const std::exception&) {
    accepted = false;
  }
  if (accepted) {
    CheckRoundTrip(dir, path);
  } else if (!dir.Entries().empty()) {
    fuzz::Broken("a refused document left " + dir.Entries().front());
  }
  RemoveEverythingIn(dir);
  return 0;
}
