#include "tools/store_check.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "host/store/schema.h"
#include "tools/tool_test_support.h"

namespace storetool {
namespace {

using testing::TempDir;

constexpr char kDocument[] = R"({"format": 1, "store_id": "5A", "folders": [
  {"name": "Account Profiles", "entry_id": "F1", "items": [
    {"entry_id": "E1", "subject": "Zoë pays 5 €, 😀", "properties": {"AccountID": "A1", "Flag": {"type": "boolean", "value": true},
     "Size": {"type": "integer", "value": 3}, "Due": {"type": "time", "value": "2024-01-31T10:00:00"}}}],
   "folders": [{"name": "Contacts", "entry_id": "F2", "folders": [{"name": "East", "entry_id": "F3"}]},
               {"name": "Alerts", "entry_id": "F4", "items": [{"entry_id": "E2", "time_sent": null}]}]}]})";

std::unique_ptr<store::Database> SoundStore(const TempDir& dir) {
  EXPECT_EQ(testing::RunTool({"--store", dir.File("s.db"), "import", "-"}, kDocument).status, 0);
  return store::OpenStore(dir.File("s.db"));
}

// A run R1 whose one change is `values` (a row of changes), and the
// journal's words for change 1 of item E1.
const std::string kRun = "INSERT INTO runs VALUES (1, 'R1', '2026-12-01T10:00:00+01:00', 'u', 'c', 1, 1, 0, NULL); ";
std::string RunChanging(const std::string& values) { return kRun + "INSERT INTO changes VALUES (" + values + ")"; }
std::string Changed(const std::string& before) {
  return RunChanging("1, 1, 'changed', 1, 'E1', 1, '" + before + "', '{}'");
}
const std::string kChangeOfE1 = "journal: change 1 of item E1: ";

// One kind of damage each, done by SQL, with the problem check reports.
const struct {
  std::string damage;
  std::string problem;
} kDamages[] = {
    {"UPDATE properties SET folder = 2 WHERE name = 'AccountID'",
     "item E1, property 'AccountID': its folder 2 is not the item's folder 1"},
    {"UPDATE properties SET value = 2 WHERE name = 'Flag'", "item E1, property 'Flag': 2 is not a valid boolean value"},
    {"UPDATE properties SET value = 2147483648 WHERE name = 'Size'",
     "item E1, property 'Size': 2147483648 is not a valid integer value"},
    {"UPDATE properties SET value = '3' WHERE name = 'Size'", "item E1, property 'Size': '3' is not a valid integer value"},
    {"UPDATE properties SET value = '2024-02-30 00:00:00' WHERE name = 'Due'",
     "item E1, property 'Due': '2024-02-30 00:00:00' is not a valid time value"},
    {"UPDATE properties SET value = '2024-01-31T10:00:00' WHERE name = 'Due'",
     "item E1, property 'Due': '2024-01-31T10:00:00' is not a valid time value"},
    {"UPDATE properties SET value = 7 WHERE name = 'AccountID'", "item E1, property 'AccountID': 7 is not a valid text value"},
    {"PRAGMA ignore_check_constraints = ON; UPDATE properties SET type = 'float' WHERE name = 'Size'",
     "item E1, property 'Size': 3 is not a valid float value"},
    {"PRAGMA ignore_check_constraints = ON; INSERT INTO store VALUES (2, 'AB', '16.0')",
     "the store table has 2 rows; it must have exactly one"},
    {"DELETE FROM store", "the store table has 0 rows; it must have exactly one"},
    {"UPDATE store SET store_id = '5a'", "store identifier '5a' is not upper-case hexadecimal"},
    {"UPDATE folders SET name = 'Accounts' WHERE id = 1",
     "there are 0 top-level folders named \"Account Profiles\"; there must be exactly one"},
    {"INSERT INTO folders (entry_id, name, default_message_class) VALUES ('F9', 'Account Profiles', 'IPM.Post')",
     "there are 2 top-level folders named \"Account Profiles\"; there must be exactly one"},
    {"UPDATE folders SET entry_id = 'f3' WHERE name = 'East'", "folder 'f3': its entry ID is not upper-case hexadecimal"},
    {"UPDATE items SET entry_id = 'E-2' WHERE entry_id = 'E2'", "item 'E-2': its entry ID is not upper-case hexadecimal"},
    {"UPDATE items SET entry_id = 'F2' WHERE entry_id = 'E2'", "entry ID F2 belongs to a folder and to an item"},
    {"UPDATE folders SET parent = 3 WHERE name = 'Contacts'",
     "folder F2 ('Contacts') cannot be reached from a top-level folder"},
    {"UPDATE items SET submitted = 2 WHERE entry_id = 'E2'",
     "item E2: sent, unread and submitted must each be 0 or 1, not 0, 0, 2"},
    {"UPDATE items SET time_sent = 'soon' WHERE entry_id = 'E2'", "item E2: time_sent 'soon' is not a valid time"},
    {"UPDATE items SET time_received = '2024-13-01 00:00:00' WHERE entry_id = 'E2'",
     "item E2: time_received '2024-13-01 00:00:00' is not a valid time"},
    {"PRAGMA foreign_keys = OFF; INSERT INTO properties VALUES (99, 1, 'AccountID', 'text', 'A1')",
     "a row of properties refers to a missing row of items"},
    // Text that is not UTF-8: a stray byte, an overlong form, a surrogate, a
    // cut sequence, a code point above U+10FFFF.
    {"UPDATE items SET subject = CAST(X'41FF' AS TEXT) WHERE entry_id = 'E1'", "item E1: its subject is not valid UTF-8"},
    {"UPDATE items SET company_name = CAST(X'C0AF' AS TEXT) WHERE entry_id = 'E1'",
     "item E1: its company name is not valid UTF-8"},
    {"UPDATE items SET body = CAST(X'EDA080' AS TEXT) WHERE entry_id = 'E2'", "item E2: its body is not valid UTF-8"},
    {"UPDATE items SET message_class = CAST(X'49504DE282' AS TEXT) WHERE entry_id = 'E2'",
     "item E2: its message class is not valid UTF-8"},
    {"UPDATE properties SET name = CAST(X'416363FF' AS TEXT) WHERE name = 'AccountID'",
     "item E1: property name X'416363FF' is not valid UTF-8"},
    {"UPDATE properties SET value = CAST(X'F4908080' AS TEXT) WHERE name = 'AccountID'",
     "item E1, property 'AccountID': its text is not valid UTF-8"},
    {"UPDATE folders SET name = CAST(X'45617374A1' AS TEXT) WHERE entry_id = 'F3'", "folder F3: its name is not valid UTF-8"},
    {"UPDATE folders SET default_message_class = CAST(X'80' AS TEXT) WHERE entry_id = 'F2'",
     "folder F2: its default message class is not valid UTF-8"},
    {"UPDATE store SET outlook_version = CAST(X'31362EC0' AS TEXT)", "the store's mail-client version is not valid UTF-8"},
    // The journal: runs, before-images, and items out of step with it.
    {"INSERT INTO runs VALUES (1, 'R1', 'yesterday', 'u', 'c', 1, 1, 0, NULL)",
     "journal: run R1: start time 'yesterday' is not a time"},
    {"INSERT INTO runs VALUES (1, 'R1', '2026-12-01T10:00:00+01:00', 'u', 'c', 1, 1, 'x', NULL)",
     "journal: run R1: status 'x' is not a number"},
    {Changed("{"), kChangeOfE1 + "its before-image or new values are not a JSON object"},
    {RunChanging(R"(1, 1, 'deleted', 9, 'E9', 1, '{"columns": {}}', '{}')"),
     "journal: change 1 deleted item E9 without keeping it whole"},
    {Changed(R"({"properties": {"Team": "East"}})"),
     kChangeOfE1 + "property 'Team' is kept as East, not [type, value] or null"},
    {Changed(R"({"columns": {"colour": 1}})"), kChangeOfE1 + "'colour' is not a column of an item"},
    // Values that their property's type or their column cannot hold, text
    // that is not UTF-8 kept as it is, and a run whose changes end before
    // they begin: undo would write them, or restore nothing and succeed.
    {Changed(R"({"properties": {"Size": ["integer", "x"]}})"),
     kChangeOfE1 + "property 'Size' is kept as 'x', not a valid integer value"},
    {Changed(R"({"properties": {"Size": ["integer", 2147483648]}})"),
     kChangeOfE1 + "property 'Size' is kept as 2147483648, not a valid integer value"},
    {Changed(R"({"properties": {"Flag": ["boolean", 2]}})"),
     kChangeOfE1 + "property 'Flag' is kept as 2, not a valid boolean value"},
    {Changed(R"({"properties": {"Due": ["time", "2024-02-30 00:00:00"]}})"),
     kChangeOfE1 + "property 'Due' is kept as '2024-02-30 00:00:00', not a valid time value"},
    {RunChanging(R"(1, 1, 'deleted', 9, 'E9', 1, '{"message_class": "IPM.Post", "columns": {}, )"
                 R"("properties": {"Team": ["text", 7]}}', '{}')"),
     "journal: change 1 of item E9: property 'Team' is kept as 7, not a valid text value"},
    {Changed(R"({"properties": {"Note": ["text", {"bytes": "4"}]}})"),
     kChangeOfE1 + R"(property 'Note' is kept as '{"bytes":"4"}', not a valid text value)"},
    {Changed(R"({"columns": {"sent": "x", "time_sent": null}})"),
     kChangeOfE1 + "column 'sent' is kept as 'x', not a valid boolean value"},
    {Changed(R"({"columns": {"subject": null}})"), kChangeOfE1 + "column 'subject' is kept as NULL, not a valid text value"},
    {RunChanging("1, 1, 'changed', 1, 'E1', 1, CAST(X'7B2261223A2241FF227D' AS TEXT), '{}'"),
     kChangeOfE1 + "its before-image or new values are not a JSON object"},
    {"INSERT INTO runs VALUES (1, 'R1', '2026-12-01T10:00:00+01:00', 'u', 'c', 5, 2, 0, NULL)",
     "journal: run R1: its first change 5 lies after its last 2"},
    {RunChanging("1, 1, 'changed', 1, 'E1', 9, '{}', '{}'"),
     "journal: change 1 of item E1 names folder 9, which does not exist"},
    {"INSERT INTO changes VALUES (1, 5, 'changed', 1, 'E1', 1, '{}', '{}')", "journal: change 1 of item E1 belongs to no run"},
    {RunChanging("2, 1, 'changed', 1, 'E1', 1, '{}', '{}'"),
     "journal: change 2 of item E1 lies outside the changes of run R1"},
    {RunChanging("1, 1, 'created', 7, 'E7', 1, '{}', '{}'"),
     "journal: run R1 created item E7, which is gone with no journaled deletion"},
    {RunChanging(R"(1, 1, 'deleted', 1, 'E1', 1, '{"message_class": "IPM.Post", "columns": {}, "properties": {}}', '{}')"),
     "journal: run R1 deleted item E1, which exists with no journaled creation"},
};
TEST(StoreCheckTest, ReportsEachKindOfDamage) {
  for (const auto& c : kDamages) {
    TempDir dir;
    auto db = SoundStore(dir);
    db->Exec(c.damage.c_str());
    const std::vector<std::string> problems = CheckStore(*db);
    SCOPED_TRACE("damage: " + c.damage + "\nproblems:\n" + ::testing::PrintToString(problems));
    EXPECT_EQ(std::count(problems.begin(), problems.end(), c.problem), 1);
    EXPECT_THAT(problems, ::testing::Each(::testing::Not(::testing::StartsWith("cannot check"))));
  }
}

TEST(StoreCheckTest, ListsAtMostAHundredProblemsOfAKind) {
  TempDir dir;
  auto db = SoundStore(dir);
  db->Exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 150) "
           "INSERT INTO items (entry_id, folder, message_class, sent) SELECT printf('D%d', i), 1, 'IPM.Post', 5 FROM n");
  const std::vector<std::string> problems = CheckStore(*db);
  ASSERT_EQ(problems.size(), 101u);
  EXPECT_EQ(problems.back(), "(more problems of this kind are not listed)");
}

}  // namespace
}  // namespace storetool
