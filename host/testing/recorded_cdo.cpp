#include "host/testing/recorded.h"

namespace host::testing {
namespace {

class RecordedFields : public Recorded<cdo::Fields> {
 public:
  using Recorded::Recorded;
  Ref<cdo::Field> Item(const std::string& name) override {
    return Forward("Item", &Fields::Item, name);
  }
  Ref<cdo::Field> Add(const std::string& name, int field_class, const host::Value& value) override {
    return Forward("Add", &Fields::Add, name, field_class, value);
  }
};

class RecordedMessage : public Recorded<cdo::Message> {
 public:
  using Recorded::Recorded;
  std::string ID() override { return Forward("ID", &Message::ID); }
  Ref<cdo::Fields> Fields() override {
    return Wrap<RecordedFields>(Forward("Fields", &Message::Fields), "Fields");
  }
  void Update(bool make_permanent, bool refresh) override {
    Forward("Update", &Message::Update, make_permanent, refresh);
  }
  LocalTime TimeSent() override { return Forward("TimeSent", &Message::TimeSent); }
  void SetTimeSent(LocalTime time) override { Forward("SetTimeSent", &Message::SetTimeSent, time); }
  void SetTimeReceived(LocalTime time) override {
    Forward("SetTimeReceived", &Message::SetTimeReceived, time);
  }
  void SetSent(bool sent) override { Forward("SetSent", &Message::SetSent, sent); }
  void SetUnread(bool unread) override { Forward("SetUnread", &Message::SetUnread, unread); }
  void SetSubmitted(bool submitted) override {
    Forward("SetSubmitted", &Message::SetSubmitted, submitted);
  }
};

class RecordedFilter : public Recorded<cdo::MessageFilter> {
 public:
  using Recorded::Recorded;
  Ref<cdo::Fields> Fields() override {
    return Wrap<RecordedFields>(Forward("Fields", &MessageFilter::Fields), "Fields");
  }
};

class RecordedMessages : public Recorded<cdo::Messages> {
 public:
  using Recorded::Recorded;
  int Count() override { return Forward("Count", &Messages::Count); }
  Ref<cdo::Message> Item(int index) override {
    return RecordMessage(Forward("Item", &Messages::Item, index), log_);
  }
  Ref<cdo::Message> Add(const std::optional<std::string>& subject,
                        const std::optional<std::string>& text,
                        const std::optional<std::string>& type) override {
    return RecordMessage(Forward("Add", &Messages::Add, subject, text, type), log_);
  }
  Ref<cdo::MessageFilter> Filter() override {
    return Wrap<RecordedFilter>(Forward("Filter", &Messages::Filter), "Filter");
  }
};

class RecordedCdoFolder : public Recorded<cdo::Folder> {
 public:
  using Recorded::Recorded;
  Ref<cdo::Messages> Messages() override {
    return Wrap<RecordedMessages>(Forward("Messages", &Folder::Messages), "Messages");
  }
};

}  // namespace

Ref<cdo::Folder> RecordCdoFolder(const Ref<cdo::Folder>& folder, std::shared_ptr<CallLog> log) {
  return Record<RecordedCdoFolder>(folder, std::move(log), "CdoFolder");
}

Ref<cdo::Message> RecordMessage(const Ref<cdo::Message>& message, std::shared_ptr<CallLog> log) {
  return Record<RecordedMessage>(message, std::move(log), "Message");
}

}  // namespace host::testing
