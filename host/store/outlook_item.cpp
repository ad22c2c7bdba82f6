#include <algorithm>
#include <cctype>

#include "host/store/item_record.h"
#include "host/store/outlook_store.h"

namespace store {
namespace {

using host::Ref;
namespace ol = host::outlook;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) ==
                  std::tolower(static_cast<unsigned char>(b));
         });
}

// The class itself or a class derived from it ("IPM.Post.Account").
bool IsClassOrDerived(std::string_view message_class, std::string_view base) {
  if (!StartsWithNoCase(message_class, base)) return false;
  return message_class.size() == base.size() || message_class[base.size()] == '.';
}

using StoreProperty = RecordProperty<ol::Property>;

// Both property collections of an item: here they are the same properties.
class StoreProperties : public ol::UserProperties, public ol::ItemProperties {
 public:
  explicit StoreProperties(std::shared_ptr<ItemRecord> record) : record_(std::move(record)) {}

  Ref<ol::Property> Find(const std::string& name) override {
    if (!record_->Property(name)) return nullptr;
    return host::MakeRef<StoreProperty>(record_, name);
  }
  Ref<ol::Property> Item(const std::string& name) override {
    auto property = Find(name);
    if (!property) {
      record_->session()->Fail(kNotFound, "item \"" + record_->row().entry_id +
                                              "\" has no property \"" + name + "\"");
    }
    return property;
  }
  Ref<ol::Property> Add(const std::string& name, int type) override {
    const PropertyType property_type = TypeOfUserProperty(type);
    if (!record_->Property(name)) record_->SetProperty(name, property_type, InitialValue(property_type));
    return host::MakeRef<StoreProperty>(record_, name);
  }

 private:
  std::shared_ptr<ItemRecord> record_;
};

// The item as Display hands it to the item windows.
class DisplayedRecord : public host::DisplayedItem {
 public:
  explicit DisplayedRecord(std::shared_ptr<ItemRecord> record) : record_(std::move(record)) {}
  std::string MessageClass() override { return record_->row().message_class; }
  std::string EntryID() override { return record_->row().entry_id; }
  std::string Body() override { return host::ToText(record_->Column(ItemColumn::kBody)); }
  std::string FolderEntryID() override {
    return FolderById(*record_->session(), record_->row().folder).entry_id;
  }
  std::vector<std::pair<std::string, std::string>> TextProperties() override {
    std::vector<std::pair<std::string, std::string>> texts;
    for (const auto& [name, property] : record_->Properties()) texts.emplace_back(name, host::ToText(property.value));
    return texts;
  }
  void StoreBody(const std::string& body) override {
    record_->SetColumn(ItemColumn::kBody, body);
    record_->Store();
  }

 private:
  std::shared_ptr<ItemRecord> record_;
};

class StoreItem : public ol::Item {
 public:
  explicit StoreItem(std::shared_ptr<ItemRecord> record) : record_(std::move(record)) {}

  std::string TypeName() override { return TypeNameOf(record_->row().message_class); }
  std::string MessageClass() override { return record_->row().message_class; }
  std::string EntryID() override { return record_->row().entry_id; }
  std::string Subject() override { return host::ToText(record_->Column(ItemColumn::kSubject)); }
  std::string CompanyName() override {
    RequireContact();
    return host::ToText(record_->Column(ItemColumn::kCompanyName));
  }
  void SetCompanyName(const std::string& name) override {
    RequireContact();
    record_->SetColumn(ItemColumn::kCompanyName, name);
  }
  Ref<ol::UserProperties> UserProperties() override {
    return host::MakeRef<StoreProperties>(record_);
  }
  Ref<ol::ItemProperties> itemproperties() override {
    return host::MakeRef<StoreProperties>(record_);
  }
  Ref<ol::MAPIFolder> Parent() override {
    return MakeFolder(record_->session(), FolderById(*record_->session(), record_->row().folder));
  }
  Ref<ol::Application> Application() override { return MakeApplication(record_->session()); }
  void Save() override { record_->Store(); }
  void Delete() override { record_->Delete(); }
  void Display() override {
    host::ItemWindows* windows = record_->session()->item_windows();
    if (windows == nullptr) {
      throw host::Error(host::kNotSupported, "there is nowhere to display item \"" +
                                                 record_->row().entry_id + "\"");
    }
    DisplayedRecord displayed(record_);
    windows->Display(displayed);
  }

 private:
  void RequireContact() {
    if (TypeName() != "ContactItem") {
      throw host::Error(host::kNotSupported, "Object doesn't support this property or method: " +
                                                 TypeName() + " has no CompanyName");
    }
  }

  std::shared_ptr<ItemRecord> record_;
};

}  // namespace

std::string TypeNameOf(std::string_view message_class) {
  static constexpr std::pair<std::string_view, std::string_view> kExact[] = {
      {"IPM.Post", "PostItem"},           {"IPM.StickyNote", "NoteItem"},
      {"IPM.Note", "MailItem"},           {"IPM.Appointment", "AppointmentItem"},
      {"IPM.Task", "TaskItem"},           {"IPM.DistList", "DistListItem"},
      {"IPM.Activity", "JournalItem"},    {"IPM.Schedule.Meeting", "MeetingItem"},
      {"REPORT", "ReportItem"},
  };
  if (StartsWithNoCase(message_class, "IPM.Contact")) return "ContactItem";
  for (const auto& [base, type_name] : kExact) {
    if (IsClassOrDerived(message_class, base)) return std::string(type_name);
  }
  return "PostItem";
}

Ref<ol::Item> MakeItem(std::shared_ptr<StoreSession> session, ItemRow row) {
  return MakeItem(std::make_shared<ItemRecord>(std::move(session), std::move(row)));
}

Ref<ol::Item> MakeItem(std::shared_ptr<ItemRecord> record) { return host::MakeRef<StoreItem>(std::move(record)); }

Ref<ol::Item> MakeNewItem(std::shared_ptr<StoreSession> session, const FolderRow& folder,
                          std::string message_class) {
  return host::MakeRef<StoreItem>(
      std::make_shared<ItemRecord>(std::move(session), folder, std::move(message_class)));
}

}  // namespace store
