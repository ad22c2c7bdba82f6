#include "inspector/note_item.h"

#include <array>
#include <cstdint>

#include "app/run_log.h"
#include "host/store/item_record.h"
#include "host/store/store_rows.h"
#include "host/store/store_session.h"

namespace inspector {
namespace {

// The note fields as the CDO view names them: width, colour, height, left, top.
constexpr char kWidth[] = "{0E20060000000000C000000000000046}0x8B02";
constexpr char kColor[] = "{0E20060000000000C000000000000046}0x8B00";
constexpr char kHeight[] = "{0E20060000000000C000000000000046}0x8B03";
constexpr char kLeft[] = "{0E20060000000000C000000000000046}0x8B04";
constexpr char kTop[] = "{0E20060000000000C000000000000046}0x8B05";
constexpr std::int32_t kYellow = 3;

std::optional<int> IntegerField(store::ItemRecord& record, const char* name) {
  const auto property = record.Property(name);
  if (!property) return std::nullopt;
  if (const auto* number = std::get_if<std::int32_t>(&property->value)) return *number;
  return std::nullopt;
}

std::optional<NoteLayout> LayoutOf(store::ItemRecord& record) {
  const auto width = IntegerField(record, kWidth);
  const auto height = IntegerField(record, kHeight);
  const auto x = IntegerField(record, kLeft);
  const auto y = IntegerField(record, kTop);
  if (!width || !height || !x || !y || *width <= 0 || *height <= 0) return std::nullopt;
  return NoteLayout{*width, *height, *x, *y};
}

}  // namespace

ItemAccess::ItemAccess(const std::string& store_path)
    : session_(std::make_shared<store::StoreSession>(store_path)) {}

template <class Write>
void ItemAccess::AsRun(const std::string& command, Write&& write) {
  if (!store::JournalOffInProcess()) {
    const app::RunIdentity run = app::RunIdentity::Start();
    session_->journal().Restart({run.id, run.started, run.user, command});
  }
  // The write and its journal, end included, commit together or not at all.
  session_->TakeForWriting();
  try {
    write();
  } catch (const host::Error&) {
    session_->RollBackRun();
    throw;
  }
  session_->EndRun(0, store::Retention::FromProcess());
  session_->CommitRun();
}

ItemContents ItemAccess::Read(const std::string& entry_id) {
  store::ItemRecord record(session_, store::ItemByEntryId(*session_, entry_id));
  ItemContents contents;
  contents.entry_id = entry_id;
  contents.message_class = record.row().message_class;
  contents.subject = host::ToText(record.Column(store::ItemColumn::kSubject));
  contents.body = host::ToText(record.Column(store::ItemColumn::kBody));
  for (const auto& [name, property] : record.Properties()) {
    contents.properties.emplace_back(name, host::ToText(property.value));
  }
  contents.layout = LayoutOf(record);
  return contents;
}

std::string ItemAccess::Create(const std::string& folder_entry_id, const std::string& message_class,
                               const std::vector<std::pair<std::string, std::string>>& properties,
                               const std::string& body) {
  store::ItemRecord record(session_, store::FolderByEntryId(*session_, folder_entry_id), message_class);
  for (const auto& [name, text] : properties) record.SetProperty(name, store::PropertyType::kText, text);
  record.SetColumn(store::ItemColumn::kBody, body);
  AsRun("item window: new note in folder " + folder_entry_id, [&] { record.Store(); });
  return record.row().entry_id;
}

void ItemAccess::Save(const std::string& entry_id, const std::string& body,
                      const std::optional<NoteLayout>& layout) {
  store::ItemRecord record(session_, store::ItemByEntryId(*session_, entry_id));
  record.SetColumn(store::ItemColumn::kBody, body);
  if (layout) {
    const std::array<std::pair<const char*, std::int32_t>, 5> fields = {{
        {kWidth, layout->width}, {kColor, kYellow}, {kHeight, layout->height}, {kLeft, layout->x}, {kTop, layout->y}}};
    for (const auto& [name, value] : fields) {
      record.SetProperty(name, store::PropertyType::kInteger, host::Value(value));
    }
  }
  AsRun("item window: save " + entry_id, [&] { record.Store(); });
}

}  // namespace inspector
