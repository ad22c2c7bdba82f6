#include "host/store/store_location.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace store {
namespace {

TEST(StoreLocationTest, StoreVariableWinsThenAbsoluteXdgDataHomeThenHome) {
  const struct {
    Environment environment;
    std::string path;
  } cases[] = {
      {{"/s/q.db", "/xdg", "/home/u"}, "/s/q.db"},
      {{"", "/xdg", "/home/u"}, "/xdg/quorvia/crm.db"},
      {{"", "relative", "/home/u"}, "/home/u/.local/share/quorvia/crm.db"},
      {{"", "", "/home/u"}, "/home/u/.local/share/quorvia/crm.db"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DefaultStorePath(c.environment), c.path)
        << c.environment.quorvia_store << "|" << c.environment.xdg_data_home;
  }
  EXPECT_THROW(DefaultStorePath(Environment{}), std::runtime_error);
}

}  // namespace
}  // namespace store
