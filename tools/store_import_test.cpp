#include "tools/store_import.h"

#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

#include <sstream>

#include "host/store/schema.h"
#include "tools/json_reader.h"
#include "tools/store_export.h"
#include "tools/tool_test_support.h"

namespace storetool {
namespace {

using testing::TempDir;

// A document in the order export writes its members: non-ASCII text, every
// property type, names whose byte order differs from other orders, empty and
// nested folders. Export lays it out like a two-space dump.
constexpr char kFullDocument[] = R"({"format": 1, "store_id": "0123456789ABCDEF0123456789ABCDEF",
  "outlook_version": "11.0", "folders": [
  {"name": "Account Profiles", "entry_id": "AA01", "default_message_class": "IPM.Post", "items": [
    {"entry_id": "BB01", "message_class": "IPM.Post", "subject": "Müller & Søn – 東京 😀",
     "body": "line one\nline \"two\"\t\\ end\u0001", "company_name": "C:\\Shared", "time_sent": null,
     "time_received": null, "sent": false, "unread": false, "submitted": false, "properties": {
      "Account Name": "Müller & Søn", "AccountID": "A100", "Active": {"type": "boolean", "value": true},
      "Closed": {"type": "boolean", "value": false}, "Due": {"type": "time", "value": "2024-02-29T23:59:58"},
      "Empty": "", "Max": {"type": "integer", "value": 2147483647},
      "Min": {"type": "integer", "value": -2147483648}, "Zeta": "z", "alpha": "a", "Ñame": "ñ"}},
    {"entry_id": "BB02", "message_class": "IPM.Post", "subject": "", "body": "", "company_name": "",
     "time_sent": null, "time_received": null, "sent": false, "unread": false, "submitted": false,
     "properties": {}}],
   "folders": [
    {"name": "Contacts", "entry_id": "AA02", "default_message_class": "IPM.Contact", "items": [], "folders": [
      {"name": "East", "entry_id": "AA03", "default_message_class": "IPM.Contact", "items": [], "folders": []}]},
    {"name": "Alerts", "entry_id": "AA04", "default_message_class": "IPM.StickyNote", "items": [
      {"entry_id": "BB03", "message_class": "IPM.StickyNote", "subject": "Call back", "body": "Call back",
       "company_name": "Øresund AB", "time_sent": "2023-12-31T08:00:00", "time_received": "2024-01-01T00:00:00",
       "sent": true, "unread": true, "submitted": true, "properties": {"AccountID": "A100"}}], "folders": []}]},
  {"name": "Other top-level", "entry_id": "AA05", "default_message_class": "IPM.Post", "items": [],
   "folders": []}]})";

std::string Import(const TempDir& dir, const std::string& document, const std::string& name = "s.db") {
  std::istringstream in(document);
  ImportStore(in, "doc.json", dir.File(name));
  return dir.File(name);
}

std::string Export(const std::string& path) {
  std::ostringstream out;
  ExportStore(*store::OpenStore(path), out);
  return out.str();
}

// A document whose folders nest `depth` levels, one folder a level: the
// database folder, then folders named by their level.
std::string ChainDocument(int depth) {
  std::string open, close;
  for (int level = 1; level <= depth; ++level) {
    const std::string name = level == 1 ? store::kDatabaseFolderName : std::to_string(level);
    open += R"({"name": ")" + name + R"(", "folders": [)";
    close += "]}";
  }
  return R"({"format": 1, "folders": [)" + open + close + "]}";
}

// Also for folders nested to the limit.
TEST(StoreImportTest, ExportOfAnImportIsTheSameDocumentLaidOutAsATwoSpaceDump) {
  TempDir dir;
  const std::string expected = nlohmann::ordered_json::parse(kFullDocument).dump(2) + "\n";
  const std::string exported = Export(Import(dir, kFullDocument));
  EXPECT_EQ(exported, expected);
  EXPECT_EQ(Export(Import(dir, exported, "again.db")), expected);
  const std::string nested = Export(Import(dir, ChainDocument(store::kMaxFolderDepth), "nested.db"));
  EXPECT_NE(nested.find(R"("name": "200")"), std::string::npos);
  EXPECT_EQ(Export(Import(dir, nested, "nested-again.db")), nested);
}

// A byte order mark is passed over; plain integers and booleans are typed.
TEST(StoreImportTest, FillsInWhatTheDocumentLeavesOut) {
  TempDir dir;
  const auto document = nlohmann::json::parse(Export(Import(dir, "\xEF\xBB\xBF" R"({"format": 1, "folders": [
    {"name": "Account Profiles", "items": [{"subject": "x", "properties": {"A": "1", "Min": -2147483648,
      "Max": 2147483647, "On": true, "Off": false}}],
     "folders": [{"items": [{}, {"message_class": "IPM.Note"}], "default_message_class": "IPM.Contact",
                  "entry_id": "ABCD", "name": "Late"}]}]})")));
  EXPECT_THAT(document["store_id"].get<std::string>(), ::testing::MatchesRegex("[0-9A-F]{32}"));
  EXPECT_EQ(document["outlook_version"], "16.0");
  const auto& top = document["folders"][0];
  EXPECT_THAT(top["entry_id"].get<std::string>(), ::testing::MatchesRegex("[0-9A-F]{48}"));
  EXPECT_EQ(top["default_message_class"], "IPM.Post");
  auto item = top["items"][0];
  EXPECT_THAT(item["entry_id"].get<std::string>(), ::testing::MatchesRegex("[0-9A-F]{48}"));
  EXPECT_NE(item["entry_id"], top["entry_id"]);
  item.erase("entry_id");
  EXPECT_EQ(item, nlohmann::json::parse(R"({"message_class": "IPM.Post", "subject": "x", "body": "", "company_name": "",
    "time_sent": null, "time_received": null, "sent": false, "unread": false, "submitted": false, "properties": {
    "A": "1", "Max": {"type": "integer", "value": 2147483647}, "Min": {"type": "integer", "value": -2147483648},
    "Off": {"type": "boolean", "value": false}, "On": {"type": "boolean", "value": true}}})"));
  // Members that come after the items still apply to the folder and its items.
  const auto& late = top["folders"][0];
  EXPECT_EQ(late["name"], "Late");
  EXPECT_EQ(late["entry_id"], "ABCD");
  EXPECT_EQ(late["items"][0]["message_class"], "IPM.Contact");
  EXPECT_EQ(late["items"][1]["message_class"], "IPM.Note");
}

struct ErrorCase {
  std::string document;
  std::string marker;  // the error's place: the last occurrence of this text
  std::string path;
  std::string what;
};

std::string ExpectedError(const ErrorCase& c) {
  const std::size_t offset = c.document.rfind(c.marker);
  const std::size_t line_start = c.document.rfind('\n', offset);
  const auto line = 1 + std::count(c.document.begin(), c.document.begin() + static_cast<long>(offset), '\n');
  const std::size_t column = line_start == std::string::npos ? offset + 1 : offset - line_start;
  return "doc.json: line " + std::to_string(line) + ", column " + std::to_string(column) +
         (c.path.empty() ? "" : " (at " + c.path + ")") + ": " + c.what;
}

// One bad document for each kind of error, with where and what the error is.
// Errors of the JSON grammar itself, and both ends of the 32-bit range, are
// the reader's tests; each way to write an integer has one case here. A
// folder name that is no string is StoreCommandsTest's (with the file name).
std::vector<ErrorCase> BadDocuments() {
  const std::string head = R"({"format": 1, "folders": [{"name": "A", "items": [)";
  const std::string width = head + R"({"properties": {"Width": )";
  const std::string item = "folders[0].items[0]";
  const std::string properties = item + ".properties";
  const std::string typed = properties + ".Width";
  const std::string id_error = R"(expected an identifier in upper-case hexadecimal (0-9, A-F) for )";
  const std::string in_range = "expected an integer from -2147483648 to 2147483647 for ";
  const std::string untyped = R"(expected a string, an integer, true or false, or an object with "type" and "value")";
  std::string too_deep = "folders[0]";  // the member path of the first folder too deep in a ChainDocument
  for (int level = 2; level <= store::kMaxFolderDepth + 1; ++level) too_deep += ".folders[0]";
  return {
      {R"({"format": 2, "folders": []})", "2", "", "unsupported format; this program reads format 1"},
      {R"({"folders": []})", "{", "", R"(missing member "format")"},
      {R"({"format": "1"})", R"("1")", "", in_range + R"("format")"},
      {R"({"format": 1, "colour": 1})", R"("colour")", "", R"(unknown member "colour")"},
      {R"({"format": 1, "folders": {}})", "{}", "", R"(expected an array for "folders")"},
      {R"({"format": 1, "folders": [1]})", "1]", "folders[0]", "expected a folder object"},
      {R"({"format": 1, "folders": [{"items": []}]})", R"({"items")", "folders[0]", R"(missing member "name")"},
      {head + R"(7]}]})", "7", item, "expected an item object"},
      {head + R"({}, {"size": 1}]}]})", R"("size")", "folders[0].items[1]", R"(unknown member "size")"},
      {head + R"({"entry_id": "0a"}]}]})", R"("0a")", item, id_error + R"("entry_id")"},
      {head + R"({"entry_id": "AB"}, {"entry_id": "AB"}]}]})", R"("AB")", "folders[0].items[1]",
       R"(duplicate entry ID "AB")"},
      {head + R"({"entry_id": "AB"}]}, {"name": "B", "entry_id": "AB"}]})", R"("AB")", "folders[1]",
       R"(duplicate entry ID "AB")"},
      {head + R"({"properties": []}]}]})", "[]", item, R"(expected an object for "properties")"},
      {head + R"({"properties": {"X": "1", "X": "2"}}]}]})", R"("X")", properties, R"(duplicate member "X")"},
      {width + R"({"type": "integer", "value": 2147483648}}}]}]})", "2147483648", typed, in_range + R"("value")"},
      {width + R"({"value": -2147483649, "type": "integer"}}}]}]})", "-2147483649", typed, in_range + R"("value")"},
      {width + R"({"type": "integer", "value": "1"}}}]}]})", R"("1")", typed, R"(expected an integer for "value")"},
      {width + R"({"type": "boolean", "value": 1}}}]}]})", "1}", typed, R"(expected true or false for "value")"},
      {width + R"({"type": "time", "value": "2023-02-29 00:00"}}}]}]})", R"("2023-)", typed,
       R"(expected a time "YYYY-MM-DDTHH:MM:SS" for "value")"},
      {width + R"({"type": "time", "value": "2023-02-29T00:00:00"}}}]}]})", R"("2023-)", typed,
       R"(2023-02-29 is not a date for "value")"},
      {head + R"({"time_sent": "2024-02-30 10:00:00"}]}]})", R"("2024-)", item,
       R"(2024-02-30 is not a date for "time_sent")"},
      {head + R"({"time_received": "2024-02-28T24:00:00"}]}]})", R"("2024-)", item,
       R"(24:00:00 is not a time of day for "time_received")"},
      {width + R"({"type": "text", "value": 5}}}]}]})", "5}", typed, R"(expected a string for "value")"},
      {width + R"({"type": "text", "value": [1]}}}]}]})", "[1]", typed,
       R"(expected a string, an integer or true or false for "value")"},
      {width + R"({"type": "text"}}}]}]})", R"({"type")", typed, R"(missing member "value")"},
      {width + R"({"value": "x"}}}]}]})", R"({"value")", typed, R"(missing member "type")"},
      {width + R"({"type": "text", "value": "a", "unit": "px"}}}]}]})", R"("unit")", typed, R"(unknown member "unit")"},
      {width + R"(1.5}}]}]})", "1.5", properties, untyped + R"( for "Width")"},
      {width + R"(null}}]}]})", "null", properties, untyped + R"( for "Width")"},
      {width + R"(-2147483649}}]}]})", "-2147483649", properties, in_range + R"("Width")"},
      {ChainDocument(store::kMaxFolderDepth + 1), R"({"name": "201")", too_deep, "folders nest deeper than 200 levels"},
      {head + R"({"time_sent": "yesterday"}]}]})", R"("yesterday")", item,
       R"(expected a time "YYYY-MM-DDTHH:MM:SS" or null for "time_sent")"},
      {head + R"({"unread": "yes"}]}]})", R"("yes")", item, R"(expected true or false for "unread")"},
      {"{\"format\": 1,\n \"folders\": [{\"name\": \"A\",\n   \"items\": [{}, {}, {},"
       " {\"properties\": {\"Width\": {\"type\": \"pixels\", \"value\": 200}}}]}]}",
       R"("pixels")", "folders[0].items[3].properties.Width",
       R"(expected "text", "integer", "boolean" or "time" for "type")"},
  };
}

TEST(StoreImportTest, RejectsEachKindOfBadDocumentAtItsPlaceAndLeavesNoFile) {
  for (const ErrorCase& c : BadDocuments()) {
    TempDir dir;
    EXPECT_THAT([&] { Import(dir, c.document); }, ::testing::ThrowsMessage<InputError>(ExpectedError(c)))
        << "document: " << c.document;
    EXPECT_TRUE(dir.Entries().empty()) << "files left after: " << c.document;
  }
}

}  // namespace
}  // namespace storetool
