#include "host/store/store_location.h"

#include <gtest/gtest.h>

namespace store {
namespace {

TEST(StoreLocationTest, StoreVariableWinsThenXdgDataHomeThenHome) {
  const struct {
    const char* quorvia_store;
    const char* xdg_data_home;
    const char* home;
    const char* path;
  } cases[] = {
      {"/tmp/a.db", "/x", "/home/u", "/tmp/a.db"},
      {"", "/x", "/home/u", "/x/quorvia/crm.db"},
      {nullptr, "/x", "/home/u", "/x/quorvia/crm.db"},
      {nullptr, "", "/home/u", "/home/u/.local/share/quorvia/crm.db"},
      {nullptr, nullptr, "/home/u", "/home/u/.local/share/quorvia/crm.db"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StorePath(c.quorvia_store, c.xdg_data_home, c.home), c.path)
        << (c.quorvia_store ? c.quorvia_store : "(unset)") << " " << (c.xdg_data_home ? c.xdg_data_home : "(unset)");
  }
}

}  // namespace
}  // namespace store
