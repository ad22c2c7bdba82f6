#include "tools/document_reader.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <optional>
#include <vector>

#include "host/error.h"
#include "host/store/schema.h"
#include "tools/item_reader.h"
#include "tools/json_reader.h"
#include "tools/store_import.h"
#include "tools/store_rows.h"

namespace storetool {
namespace {

// Where the reader stands, innermost last.
enum class Context { kDocument, kFolders, kFolder, kItems, kItem };

constexpr struct {
  Context owner;
  const char* name;
  Expect expect;
} kMembers[] = {
    {Context::kDocument, "format", Expect::kInt32},       {Context::kDocument, "store_id", Expect::kIdentifier},
    {Context::kDocument, "outlook_version", Expect::kString}, {Context::kDocument, "folders", Expect::kArray},
    {Context::kFolder, "name", Expect::kString},          {Context::kFolder, "entry_id", Expect::kIdentifier},
    {Context::kFolder, "default_message_class", Expect::kString}, {Context::kFolder, "items", Expect::kArray},
    {Context::kFolder, "folders", Expect::kArray},
};

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

// Follows the document's events with a stack of contexts, so that nothing
// in it recurses however deep the document nests.
class DocumentReader : public JsonHandler {
 public:
  DocumentReader(const JsonReader& reader, store::Database& db) : reader_(reader), writer_(db), items_(reader) {}

  void Value(const JsonValue& value) override;
  void Key(const std::string& name) override;
  void End() override;

 private:
  void BeginDocument(const JsonValue& value);
  void BeginFolder(const JsonValue& value);
  void MemberValue(const JsonValue& value);
  void FolderMember(FolderState& folder, const JsonValue& value);
  void EndDocument();
  void EndFolder();
  void SetFolderClass(FolderState& folder, const std::string& message_class);
  void EnsureAdded(FolderState& folder);
  void AddItem(FolderState& folder);
  std::string FreshIdentifier();
  // Runs a write of what the document holds at `position` (`path`): a value
  // the store refuses, such as text a server cannot hold, fails there. A
  // failure of the store as a whole is no fault of the document's.
  template <class Write>
  auto WriteAt(const Position& position, const std::string& path, Write&& write) {
    try {
      return write();
    } catch (const host::StoreFailure&) {
      throw;
    } catch (const host::Error& error) {
      reader_.Fail(position, path, error.description());
    }
  }

  const JsonReader& reader_;
  StoreWriter writer_;
  ItemReader items_;
  std::vector<Context> contexts_;
  std::vector<FolderState> folders_;
  std::string member_;
  Expect member_type_ = Expect::kString;
  Position document_start_;
  bool has_format_ = false;
  std::optional<std::string> store_id_, version_;
};

void DocumentReader::Value(const JsonValue& value) {
  if (contexts_.empty()) return BeginDocument(value);
  switch (contexts_.back()) {
    case Context::kFolders:
      return BeginFolder(value);
    case Context::kItems:
      if (value.kind != JsonKind::kObject) reader_.Fail(reader_.position(), reader_.Path(), "expected an item object");
      items_.Begin();
      contexts_.push_back(Context::kItem);
      return;
    case Context::kItem:
      return items_.Value(value);
    default:
      return MemberValue(value);
  }
}

void DocumentReader::Key(const std::string& name) {
  const Context owner = contexts_.back();
  if (owner == Context::kItem) return items_.Key(name);
  const auto* const found = std::find_if(std::begin(kMembers), std::end(kMembers),
                                         [&](const auto& member) { return member.owner == owner && name == member.name; });
  if (found == std::end(kMembers)) FailUnknownMember(reader_, name);
  member_ = name;
  member_type_ = found->expect;
}

void DocumentReader::End() {
  switch (contexts_.back()) {
    case Context::kItem:
      if (!items_.End()) return;
      AddItem(folders_.back());
      break;
    case Context::kFolder:
      EndFolder();
      break;
    case Context::kDocument:
      EndDocument();
      break;
    default:
      break;
  }
  contexts_.pop_back();
}

void DocumentReader::BeginDocument(const JsonValue& value) {
  if (value.kind != JsonKind::kObject) reader_.Fail(reader_.position(), "", "expected a store document (a JSON object)");
  document_start_ = reader_.position();
  contexts_.push_back(Context::kDocument);
}

void DocumentReader::BeginFolder(const JsonValue& value) {
  if (value.kind != JsonKind::kObject) reader_.Fail(reader_.position(), reader_.Path(), "expected a folder object");
  if (folders_.size() >= static_cast<std::size_t>(store::kMaxFolderDepth)) {
    reader_.Fail(reader_.position(), reader_.Path(),
                 "folders nest deeper than " + std::to_string(store::kMaxFolderDepth) + " levels");
  }
  FolderState folder;
  if (!folders_.empty()) folder.parent = folders_.back().id;
  folder.path = reader_.Path();
  folder.start = reader_.position();
  folders_.push_back(std::move(folder));
  contexts_.push_back(Context::kFolder);
}

void DocumentReader::MemberValue(const JsonValue& value) {
  CheckMember(reader_, value, member_type_, member_);
  if (contexts_.back() == Context::kFolder) return FolderMember(folders_.back(), value);
  if (member_ == "format") {
    if (*value.int32 != 1) reader_.FailHere("unsupported format; this program reads format 1");
    has_format_ = true;
  } else if (member_ == "store_id") {
    store_id_ = value.text;
  } else if (member_ == "outlook_version") {
    version_ = value.text;
  } else {
    contexts_.push_back(Context::kFolders);
  }
}

void DocumentReader::FolderMember(FolderState& folder, const JsonValue& value) {
  if (member_ == "name") {
    folder.name = value.text;
  } else if (member_ == "entry_id") {
    if (writer_.IsEntryIdUsed(value.text)) reader_.FailHere("duplicate entry ID " + Quote(value.text));
    folder.entry_id = value.text;
    if (folder.id != 0) {
      writer_.UpdateFolder(folder.id, folder.entry_id, folder.name.value_or(""),
                           folder.message_class.value_or(kDefaultMessageClass));
    }
  } else if (member_ == "default_message_class") {
    SetFolderClass(folder, value.text);
  } else {
    EnsureAdded(folder);
    contexts_.push_back(member_ == "items" ? Context::kItems : Context::kFolders);
  }
}

void DocumentReader::EndDocument() {
  if (!has_format_) reader_.Fail(document_start_, "", "missing member \"format\"");
  if (store_id_ || version_) {
    writer_.SetStore(store_id_.value_or(store::NewIdentifier(store::kStoreIdBytes)),
                     version_.value_or(kDefaultOutlookVersion));
  }
  writer_.Finish();
}

void DocumentReader::EndFolder() {
  FolderState& folder = folders_.back();
  if (!folder.name) reader_.Fail(folder.start, folder.path, "missing member \"name\"");
  EnsureAdded(folder);
  WriteAt(folder.start, folder.path, [&] {
    writer_.UpdateFolder(folder.id, folder.entry_id, *folder.name, folder.message_class.value_or(kDefaultMessageClass));
  });
  folders_.pop_back();
}

void DocumentReader::SetFolderClass(FolderState& folder, const std::string& message_class) {
  folder.message_class = message_class;
  for (const std::int64_t item : folder.defaulted_items) writer_.SetMessageClass(item, message_class);
  folder.defaulted_items.clear();
}

void DocumentReader::EnsureAdded(FolderState& folder) {
  if (folder.id != 0) return;
  if (folder.entry_id.empty()) folder.entry_id = FreshIdentifier();
  folder.id = WriteAt(folder.start, folder.path, [&] {
    return writer_.AddFolder(folder.parent, folder.entry_id, folder.name.value_or(""),
                             folder.message_class.value_or(kDefaultMessageClass));
  });
}

void DocumentReader::AddItem(FolderState& folder) {
  ItemRow& item = items_.item();
  const ItemPlace& place = items_.place();
  if (!place.has_entry_id) {
    item.entry_id = FreshIdentifier();
  } else if (writer_.IsEntryIdUsed(item.entry_id)) {
    reader_.Fail(place.entry_id, place.path, "duplicate entry ID " + Quote(item.entry_id));
  }
  if (!place.has_message_class) item.message_class = folder.message_class.value_or(kDefaultMessageClass);
  const std::int64_t id = WriteAt(place.start, place.path, [&] { return writer_.AddItem(folder.id, item); });
  if (!place.has_message_class && !folder.message_class) folder.defaulted_items.push_back(id);
}

std::string DocumentReader::FreshIdentifier() {
  std::string id;
  do {
    id = store::NewIdentifier(store::kEntryIdBytes);
  } while (writer_.IsEntryIdUsed(id));
  return id;
}

}  // namespace

void ReadStoreDocument(std::istream& in, const std::string& file, store::Database& db) {
  JsonReader reader(in, file);
  DocumentReader handler(reader, db);
  reader.Read(handler);
}

}  // namespace storetool
