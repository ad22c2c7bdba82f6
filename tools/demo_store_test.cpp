#include "tools/demo_store.h"

#include <gtest/gtest.h>

#include "host/store/schema.h"
#include "tools/store_check.h"
#include "tools/tool_test_support.h"

namespace storetool {
namespace {

using store::testing::CountOf;
using testing::TempDir;

void MakeDemoStore(const DemoOptions& options, const std::string& path) {
  ProgressMeter quiet(nullptr, "demo", ProgressMeter::Unit::kItems);
  storetool::MakeDemoStore(options, path, quiet);
}

std::string MakeAndExport(const TempDir& dir, const DemoOptions& options, const std::string& name) {
  MakeDemoStore(options, dir.File(name));
  return testing::RunTool({"--store", dir.File(name), "export"}).out;
}

constexpr char kWith[] = "WITH top(id) AS (SELECT id FROM folders WHERE parent IS NULL AND name = 'Account Profiles') ";

TEST(DemoStoreTest, SameSeedGivesTheSameStoreAndAnotherSeedAnother) {
  TempDir dir;
  DemoOptions options{.accounts = 40, .seed = 7};
  const std::string first = MakeAndExport(dir, options, "a.db");
  EXPECT_EQ(MakeAndExport(dir, options, "b.db"), first);
  options.seed = 8;
  const std::string other = MakeAndExport(dir, options, "c.db");
  EXPECT_NE(other, first);
  EXPECT_EQ(other.find(first.substr(first.find("\"store_id\""), 50)), std::string::npos);
}

TEST(DemoStoreTest, KeyAccountGetsExactlyItsItemsFoldersAndLocations) {
  const struct {
    std::int64_t accounts, folders, items, key_items, key_folders, locations;
  } cases[] = {
      {50, 30, 600, 100, 28, 20},
      {5, 5, 20, 20, 3, 4},
      {1, 6, 10, 3, 3, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "accounts " << c.accounts << ", folders " << c.folders << ", items "
                                      << c.items << ", key items " << c.key_items);
    TempDir dir;
    MakeDemoStore(DemoOptions{c.accounts, 3, c.folders, c.items, c.key_items}, dir.File("s.db"));
    const auto db = store::OpenStore(dir.File("s.db"));
    EXPECT_EQ(CountOf(*db, "SELECT count(*) FROM folders"), c.folders);
    EXPECT_EQ(CountOf(*db, "SELECT count(*) FROM items"), c.accounts + c.items);
    const std::string key_items = std::string(kWith) +
                                  "SELECT i.folder, count(*) AS n FROM items AS i JOIN properties AS p ON p.item = i.id "
                                  "WHERE p.name = 'AccountID' AND p.value = 'A000001' AND i.folder NOT IN top "
                                  "GROUP BY i.folder";
    EXPECT_EQ(CountOf(*db, "SELECT sum(n) FROM (" + key_items + ")"), c.key_items);
    EXPECT_EQ(CountOf(*db, "SELECT count(*) FROM (" + key_items + ")"), c.key_folders);
    EXPECT_LE(CountOf(*db, "SELECT max(n) - min(n) FROM (" + key_items + ")"), 1);
    EXPECT_EQ(CountOf(*db, "SELECT count(*) FROM (" + key_items + ") JOIN folders AS f ON f.id = folder "
                         "WHERE f.name = 'Alerts'"), 0);
    EXPECT_EQ(CountOf(*db, std::string(kWith) + "SELECT count(*) FROM properties AS p JOIN items AS i ON i.id = p.item "
                                              "WHERE i.folder IN top AND name = 'Account LocationID' "
                                              "AND value = 'A000001'"),
              c.locations);
    EXPECT_EQ(CheckStore(*db), std::vector<std::string>{});
  }
}

// Every item with its account fields as columns k, nm, mg, tm, al, pa, lo.
std::string AccountFields() {
  std::string columns = "SELECT i.id, i.subject AS subject, i.folder AS folder, i.message_class AS class, "
                        "i.company_name AS company";
  const std::pair<const char*, const char*> fields[] = {
      {"k", "AccountID"}, {"nm", "Account Name"}, {"mg", "Account Manager"}, {"tm", "Team"},
      {"al", "Alignment"}, {"pa", "Account Parent"}, {"lo", "Account LocationID"}};
  for (const auto& [column, name] : fields) {
    columns += std::string(", (SELECT value FROM properties WHERE item = i.id AND name = '") + name + "') AS " + column;
  }
  return columns + " FROM items AS i";
}

TEST(DemoStoreTest, AccountsHaveUniqueKeysAndRelatedItemsAndLocationsCopyTheirFields) {
  TempDir dir;
  MakeDemoStore(DemoOptions{500, 11, 40, -1, 0}, dir.File("s.db"));
  const auto db = store::OpenStore(dir.File("s.db"));
  const std::string all = "WITH a AS (" + AccountFields() + ") ";
  const std::string in_top = "folder = (SELECT id FROM folders WHERE parent IS NULL)";
  // Keys A000001 to A000500, once each, with the name as subject.
  EXPECT_EQ(CountOf(*db, all + "SELECT count(DISTINCT k) FROM a WHERE " + in_top + " AND subject = nm"), 500);
  // About one in ten is a location of an earlier account that is no location.
  const std::int64_t locations = CountOf(*db, all + "SELECT count(*) FROM a WHERE " + in_top + " AND lo <> ''");
  EXPECT_GT(locations, 25);
  EXPECT_LT(locations, 80);
  EXPECT_EQ(CountOf(*db, all + "SELECT count(*) FROM a AS l JOIN a AS p ON p.k = l.lo AND p." + in_top +
                           " WHERE l." + in_top + " AND p.k < l.k AND p.lo = '' AND l.pa = p.nm "
                           "AND l.mg = p.mg AND l.tm = p.tm AND l.al = p.al"), locations);
  // Five related items per account, each carrying its account's fields.
  EXPECT_EQ(CountOf(*db, all + "SELECT count(*) FROM a AS r JOIN a AS p ON p.k = r.k AND p." + in_top +
                           " WHERE NOT r." + in_top + " AND r.nm = p.nm AND r.mg = p.mg AND r.tm = p.tm "
                           "AND r.al = p.al AND (r.class <> 'IPM.Contact' OR r.company = p.nm)"), 2500);
  // Contacts lie in contact folders, sticky notes in the Alerts folder.
  EXPECT_EQ(CountOf(*db, "SELECT count(*) FROM items AS i JOIN folders AS f ON f.id = i.folder "
                       "WHERE i.message_class <> f.default_message_class"), 0);
  // Nested: the deepest folder lies four levels below the database folder.
  EXPECT_EQ(CountOf(*db, "WITH RECURSIVE d(id, depth) AS (SELECT id, 0 FROM folders WHERE parent IS NULL "
                       "UNION ALL SELECT f.id, d.depth + 1 FROM folders AS f JOIN d ON f.parent = d.id) "
                       "SELECT max(depth) FROM d"), 4);
}

}  // namespace
}  // namespace storetool
