#include "host/store/pg/pg_placeholders.h"

#include <gtest/gtest.h>

namespace store::pg {
namespace {

TEST(PgPlaceholdersTest, NumbersParametersOutsideQuotedTextAsSqliteDoes) {
  const struct {
    const char* sqlite;
    const char* postgres;
    int parameters;
  } cases[] = {
      {"SELECT 1", "SELECT 1", 0},
      {"SELECT ?1, ?2", "SELECT $1, $2", 2},
      {"VALUES (1, ?, ?)", "VALUES (1, $1, $2)", 2},
      {"WHERE a = ?3 OR b = ? OR c = ?1", "WHERE a = $3 OR b = $4 OR c = $1", 4},
      {"WHERE a = ?12 AND b = ?2", "WHERE a = $12 AND b = $2", 12},
      {"SELECT '?1', 'it''s ?', ?1", "SELECT '?1', 'it''s ?', $1", 1},
      {"SELECT \"a?1\" FROM \"t\"\"?\" WHERE x = ?", "SELECT \"a?1\" FROM \"t\"\"?\" WHERE x = $1", 1},
      {"SELECT ?1 -- why ?2\n, ?2", "SELECT $1 -- why ?2\n, $2", 2},
      {"SELECT /* ? */ ?", "SELECT /* ? */ $1", 1},
      {"SELECT $$ ? $$, $q$ ?1 $q$, ?1::integer", "SELECT $$ ? $$, $q$ ?1 $q$, $1::integer", 1},
      {"SELECT $1, ?2", "SELECT $1, $2", 2},
      {"SELECT 'unterminated ?1", "SELECT 'unterminated ?1", 0},
  };
  for (const auto& c : cases) {
    const Translated translated = TranslatePlaceholders(c.sqlite);
    EXPECT_EQ(translated.sql, c.postgres) << c.sqlite;
    EXPECT_EQ(translated.parameters, c.parameters) << c.sqlite;
  }
}

}  // namespace
}  // namespace store::pg
