#include "host/testing/recorded.h"

namespace host::testing {
namespace {

class RecordedFields : public Recorded<cdo::Fields> {
 public:
  using Recorded::Recorded;
  Ref<cdo::Field> Item(const std::string& name) override {
    Enter("Item", name);
    return inner_->Item(name);
  }
  Ref<cdo::Field> Add(const std::string& name, int field_class, const host::Value& value) override {
    Enter("Add", name, field_class, value);
    return inner_->Add(name, field_class, value);
  }
};

class RecordedMessage : public Recorded<cdo::Message> {
 public:
  using Recorded::Recorded;
  std::string ID() override {
    Enter("ID");
    return inner_->ID();
  }
  Ref<cdo::Fields> Fields() override {
    Enter("Fields");
    return Wrap<RecordedFields>(inner_->Fields(), "Fields");
  }
  void Update(bool make_permanent, bool refresh) override {
    Enter("Update", make_permanent, refresh);
    inner_->Update(make_permanent, refresh);
  }
  LocalTime TimeSent() override {
    Enter("TimeSent");
    return inner_->TimeSent();
  }
  void SetTimeSent(LocalTime time) override {
    Enter("SetTimeSent", time);
    inner_->SetTimeSent(time);
  }
  void SetTimeReceived(LocalTime time) override {
    Enter("SetTimeReceived", time);
    inner_->SetTimeReceived(time);
  }
  void SetSent(bool sent) override {
    Enter("SetSent", sent);
    inner_->SetSent(sent);
  }
  void SetUnread(bool unread) override {
    Enter("SetUnread", unread);
    inner_->SetUnread(unread);
  }
  void SetSubmitted(bool submitted) override {
    Enter("SetSubmitted", submitted);
    inner_->SetSubmitted(submitted);
  }
};

class RecordedFilter : public Recorded<cdo::MessageFilter> {
 public:
  using Recorded::Recorded;
  Ref<cdo::Fields> Fields() override {
    Enter("Fields");
    return Wrap<RecordedFields>(inner_->Fields(), "Fields");
  }
};

class RecordedMessages : public Recorded<cdo::Messages> {
 public:
  using Recorded::Recorded;
  int Count() override {
    Enter("Count");
    return inner_->Count();
  }
  Ref<cdo::Message> Item(int index) override {
    Enter("Item", index);
    return RecordMessage(inner_->Item(index), log_);
  }
  Ref<cdo::Message> Add(const std::optional<std::string>& subject,
                        const std::optional<std::string>& text,
                        const std::optional<std::string>& type) override {
    Enter("Add", subject, text, type);
    return RecordMessage(inner_->Add(subject, text, type), log_);
  }
  Ref<cdo::MessageFilter> Filter() override {
    Enter("Filter");
    return Wrap<RecordedFilter>(inner_->Filter(), "Filter");
  }
};

class RecordedCdoFolder : public Recorded<cdo::Folder> {
 public:
  using Recorded::Recorded;
  Ref<cdo::Messages> Messages() override {
    Enter("Messages");
    return Wrap<RecordedMessages>(inner_->Messages(), "Messages");
  }
};

}  // namespace

Ref<cdo::Folder> RecordCdoFolder(const Ref<cdo::Folder>& folder, std::shared_ptr<CallLog> log) {
  if (folder.IsNothing()) return nullptr;
  return MakeRef<RecordedCdoFolder>(folder, std::move(log), "CdoFolder");
}

Ref<cdo::Message> RecordMessage(const Ref<cdo::Message>& message, std::shared_ptr<CallLog> log) {
  if (message.IsNothing()) return nullptr;
  return MakeRef<RecordedMessage>(message, std::move(log), "Message");
}

}  // namespace host::testing
