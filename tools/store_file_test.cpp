#include "tools/store_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "host/store/schema.h"
#include "host/store/test_store.h"

namespace storetool {
namespace {

mode_t ModeOf(const std::string& path) {
  struct stat status {};
  EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
  return status.st_mode & 07777;
}

// A CRM store holds personal data: the folders made for it and the
// published store are the owner's alone.
TEST(NewStoreFileTest, PublishesAPrivateStoreInPrivateFolders) {
  store::testing::TempDir dir;
  const std::string path = dir.File("data/quorvia/crm.db");
  {
    NewStoreFile file(path);
    store::CreateStore(file.temp_path(), "AB", "16.0");
    file.Publish();
  }
  EXPECT_EQ(ModeOf(dir.File("data")), 0700u);
  EXPECT_EQ(ModeOf(dir.File("data/quorvia")), 0700u);
  EXPECT_EQ(ModeOf(path), 0600u);
}

}  // namespace
}  // namespace storetool
