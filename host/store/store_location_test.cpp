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

TEST(StoreLocationTest, ServerLocationsAreToldFromFilesAndShownWithoutTheirPassword) {
  const struct {
    std::string location;
    Engine engine;
    std::string shown;
  } cases[] = {
      {"/s/q.db", Engine::kSqlite, "/s/q.db"},
      {"relative/password=x.db", Engine::kSqlite, "relative/password=x.db"},
      {"postgresql.db", Engine::kSqlite, "postgresql.db"},
      {"Host=h", Engine::kSqlite, "Host=h"},
      {"postgresql://u:secret@h/db", Engine::kPostgres, "postgresql://u:***@h/db"},
      {"postgres://u:s%40c:r@h:5432,h2/db?sslmode=require", Engine::kPostgres,
       "postgres://u:***@h:5432,h2/db?sslmode=require"},
      {"postgresql://u@h:5432/db", Engine::kPostgres, "postgresql://u@h:5432/db"},
      {"postgresql://h/db?user=u&password=secret&sslmode=require", Engine::kPostgres,
       "postgresql://h/db?user=u&password=***&sslmode=require"},
      {"postgresql:///db?password=secret", Engine::kPostgres, "postgresql:///db?password=***"},
      {"postgresql://", Engine::kPostgres, "postgresql://"},
      {"service=crm", Engine::kPostgres, "service=crm"},
      {"host=h dbname=crm password=secret", Engine::kPostgres, "host=h dbname=crm password=***"},
      {"dbname = crm password = 'a b\\' c' user=u", Engine::kPostgres, "dbname = crm password = *** user=u"},
      {"user=u password=se\\ cret port=1", Engine::kPostgres, "user=u password=*** port=1"},
      {"hostaddr=127.0.0.1 password=", Engine::kPostgres, "hostaddr=127.0.0.1 password=***"},
      {"port=5432", Engine::kPostgres, "port=5432"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EngineOf(c.location), c.engine) << c.location;
    EXPECT_EQ(MaskPassword(c.location), c.shown) << c.location;
  }
}

}  // namespace
}  // namespace store
