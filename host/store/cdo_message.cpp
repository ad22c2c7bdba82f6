#include "host/store/cdo_store.h"
#include "host/store/item_record.h"

namespace store {
namespace {

using host::Ref;
namespace cdo = host::cdo;

using StoreField = RecordProperty<cdo::Field>;

class StoreFields : public cdo::Fields {
 public:
  explicit StoreFields(std::shared_ptr<ItemRecord> record) : record_(std::move(record)) {}

  Ref<cdo::Field> Item(const std::string& name) override {
    if (!record_->Property(name)) {
      record_->session()->Fail(kNotFound, "message \"" + record_->row().entry_id +
                                              "\" has no field \"" + name + "\"");
    }
    return host::MakeRef<StoreField>(record_, name);
  }
  Ref<cdo::Field> Add(const std::string& name, int field_class, const host::Value& value) override {
    const PropertyType type = TypeOfFieldClass(field_class);
    record_->SetProperty(name, type, Convert(value, type));
    return host::MakeRef<StoreField>(record_, name);
  }

 private:
  std::shared_ptr<ItemRecord> record_;
};

class StoreMessage : public cdo::Message {
 public:
  explicit StoreMessage(std::shared_ptr<ItemRecord> record) : record_(std::move(record)) {}

  std::string ID() override { return record_->row().entry_id; }
  Ref<cdo::Fields> Fields() override { return host::MakeRef<StoreFields>(record_); }
  // Reads always see the store as it is now, so a refresh has nothing to do.
  void Update(bool make_permanent, bool /*refresh*/) override {
    if (make_permanent) record_->Store();
  }
  host::LocalTime TimeSent() override {
    const host::Value value = record_->Column(ItemColumn::kTimeSent);
    if (const auto* time = std::get_if<host::LocalTime>(&value)) return *time;
    record_->session()->Fail(kNotFound, "message \"" + record_->row().entry_id + "\" has no time sent");
  }
  void SetTimeSent(host::LocalTime time) override { record_->SetColumn(ItemColumn::kTimeSent, time); }
  void SetTimeReceived(host::LocalTime time) override {
    record_->SetColumn(ItemColumn::kTimeReceived, time);
  }
  void SetSent(bool sent) override { record_->SetColumn(ItemColumn::kSent, sent); }
  void SetUnread(bool unread) override { record_->SetColumn(ItemColumn::kUnread, unread); }
  void SetSubmitted(bool submitted) override { record_->SetColumn(ItemColumn::kSubmitted, submitted); }

 private:
  std::shared_ptr<ItemRecord> record_;
};

}  // namespace

Ref<cdo::Message> MakeMessage(std::shared_ptr<StoreSession> session, ItemRow row) {
  return MakeMessage(std::make_shared<ItemRecord>(std::move(session), std::move(row)));
}

Ref<cdo::Message> MakeMessage(std::shared_ptr<ItemRecord> record) {
  return host::MakeRef<StoreMessage>(std::move(record));
}

}  // namespace store
