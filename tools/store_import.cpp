#include "tools/store_import.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <vector>

#include "host/store/schema.h"
#include "tools/item_reader.h"
#include "tools/json_reader.h"
#include "tools/json_writer.h"
#include "tools/store_check.h"
#include "tools/store_file.h"
#include "tools/store_rows.h"

namespace storetool {
namespace {

using Token = JsonReader::Token;

// A folder while its object is being read. Its row is added as soon as its
// items or subfolders need it; members read later update the row.
struct FolderState {
  std::optional<std::int64_t> parent;
  std::int64_t id = 0;
  std::string path;
  Position start;
  std::optional<std::string> name;
  std::string entry_id;
  std::optional<std::string> message_class;
  std::vector<std::int64_t> defaulted_items;  // added before the folder's class was known
};

class Importer {
 public:
  Importer(JsonReader& reader, store::Database& db) : reader_(reader), writer_(db) {}

  void Run();

 private:
  void ReadFolderArray(std::optional<std::int64_t> parent);
  void ReadFolder(std::optional<std::int64_t> parent);
  void ReadFolderMember(FolderState& folder);
  void ReadItems(FolderState& folder);
  void AddItem(FolderState& folder);
  void SetFolderClass(FolderState& folder, const std::string& message_class);
  void EnsureAdded(FolderState& folder);
  std::string FreshIdentifier();
  void ExpectArray(const std::string& member);

  JsonReader& reader_;
  StoreWriter writer_;
  ItemRow item_;
  ItemPlace place_;
};

void Importer::Run() {
  if (reader_.Next() != Token::kBeginObject) {
    reader_.Fail(reader_.position(), "", "expected a store document (a JSON object)");
  }
  const Position start = reader_.position();
  bool has_format = false;
  std::optional<std::string> store_id, version;
  while (reader_.Next() == Token::kKey) {
    const std::string name = reader_.text();
    if (name == "format") {
      if (ReadInt32(reader_, name) != 1) reader_.FailHere("unsupported format; this program reads format 1");
      has_format = true;
    } else if (name == "store_id") {
      store_id = ReadIdentifier(reader_, name);
    } else if (name == "outlook_version") {
      version = ReadString(reader_, name);
    } else if (name == "folders") {
      ReadFolderArray(std::nullopt);
    } else {
      FailUnknownMember(reader_);
    }
  }
  if (!has_format) reader_.Fail(start, "", "missing member \"format\"");
  if (store_id || version) {
    writer_.SetStore(store_id.value_or(store::NewIdentifier(store::kStoreIdBytes)),
                     version.value_or(kDefaultOutlookVersion));
  }
  reader_.Next();
}

void Importer::ExpectArray(const std::string& member) {
  if (reader_.Next() != Token::kBeginArray) reader_.FailHere("expected an array for " + Quote(member));
}

void Importer::ReadFolderArray(std::optional<std::int64_t> parent) {
  ExpectArray("folders");
  while (reader_.Next() != Token::kEndArray) ReadFolder(parent);
}

void Importer::ReadFolder(std::optional<std::int64_t> parent) {
  if (reader_.token() != Token::kBeginObject) {
    reader_.Fail(reader_.position(), reader_.Path(), "expected a folder object");
  }
  FolderState folder;
  folder.parent = parent;
  folder.path = reader_.Path();
  folder.start = reader_.position();
  while (reader_.Next() == Token::kKey) ReadFolderMember(folder);
  if (!folder.name) reader_.Fail(folder.start, folder.path, "missing member \"name\"");
  EnsureAdded(folder);
  writer_.UpdateFolder(folder.id, folder.entry_id, *folder.name,
                       folder.message_class.value_or(kDefaultMessageClass));
}

void Importer::ReadFolderMember(FolderState& folder) {
  const std::string name = reader_.text();
  if (name == "name") {
    folder.name = ReadString(reader_, name);
  } else if (name == "entry_id") {
    const std::string id = ReadIdentifier(reader_, name);
    if (writer_.IsEntryIdUsed(id)) reader_.FailHere("duplicate entry ID " + Quote(id));
    folder.entry_id = id;
    if (folder.id != 0) {
      writer_.UpdateFolder(folder.id, id, folder.name.value_or(""),
                           folder.message_class.value_or(kDefaultMessageClass));
    }
  } else if (name == "default_message_class") {
    SetFolderClass(folder, ReadString(reader_, name));
  } else if (name == "items") {
    ReadItems(folder);
  } else if (name == "folders") {
    EnsureAdded(folder);
    ReadFolderArray(folder.id);
  } else {
    FailUnknownMember(reader_);
  }
}

void Importer::SetFolderClass(FolderState& folder, const std::string& message_class) {
  folder.message_class = message_class;
  for (const std::int64_t item : folder.defaulted_items) writer_.SetMessageClass(item, message_class);
  folder.defaulted_items.clear();
}

void Importer::EnsureAdded(FolderState& folder) {
  if (folder.id != 0) return;
  if (folder.entry_id.empty()) folder.entry_id = FreshIdentifier();
  folder.id = writer_.AddFolder(folder.parent, folder.entry_id, folder.name.value_or(""),
                                folder.message_class.value_or(kDefaultMessageClass));
}

void Importer::ReadItems(FolderState& folder) {
  EnsureAdded(folder);
  ExpectArray("items");
  while (reader_.Next() != Token::kEndArray) {
    ReadItem(reader_, item_, place_);
    AddItem(folder);
  }
}

void Importer::AddItem(FolderState& folder) {
  if (!place_.has_entry_id) {
    item_.entry_id = FreshIdentifier();
  } else if (writer_.IsEntryIdUsed(item_.entry_id)) {
    reader_.Fail(place_.entry_id, place_.path, "duplicate entry ID " + Quote(item_.entry_id));
  }
  if (!place_.has_message_class) item_.message_class = folder.message_class.value_or(kDefaultMessageClass);
  const std::int64_t id = writer_.AddItem(folder.id, item_);
  if (!place_.has_message_class && !folder.message_class) folder.defaulted_items.push_back(id);
}

std::string Importer::FreshIdentifier() {
  std::string id;
  do {
    id = store::NewIdentifier(store::kEntryIdBytes);
  } while (writer_.IsEntryIdUsed(id));
  return id;
}

// A document can be well-formed and still describe a store that check
// refuses (no "Account Profiles", say): such a store is not made.
void RefuseWhatCheckReports(const store::Database& db, const std::string& file) {
  const std::vector<std::string> problems = CheckStore(db);
  if (problems.empty()) return;
  std::string message;
  for (const std::string& problem : problems) {
    if (!message.empty()) message += '\n';
    message.append(file).append(": ").append(problem);
  }
  throw std::runtime_error(message);
}

}  // namespace

void ImportStore(std::istream& in, const std::string& file, const std::string& path) {
  NewStoreFile target(path);
  target.Make([&](const std::string& temp_path) {
    auto db = store::CreateStore(temp_path, store::NewIdentifier(store::kStoreIdBytes), kDefaultOutlookVersion);
    BulkLoad load(*db);
    store::Transaction transaction(*db);
    JsonReader reader(in, file);
    Importer(reader, *db).Run();
    transaction.Commit();
    load.Finish();
    RefuseWhatCheckReports(*db, file);
  });
}

}  // namespace storetool
