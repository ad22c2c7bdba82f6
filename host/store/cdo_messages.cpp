#include <optional>
#include <utility>
#include <vector>

#include "host/store/cdo_store.h"
#include "host/store/filter.h"
#include "host/store/item_selection.h"
#include "host/store/property_values.h"

namespace store {
namespace {

using host::Ref;
namespace cdo = host::cdo;

// What a message collection and its filter share: the folder, the filter's
// fields in the order they were added, and the positions once read.
struct Selection {
  std::shared_ptr<StoreSession> session;
  FolderRow folder;
  std::vector<std::pair<std::string, host::Value>> conditions;
  std::optional<std::vector<std::int64_t>> ids;
  ItemRows rows;

  std::pair<std::string, host::Value>* Condition(const std::string& name) {
    for (auto& condition : conditions) {
      if (condition.first == name) return &condition;
    }
    return nullptr;
  }

  void SetCondition(const std::string& name, host::Value value) {
    if (auto* condition = Condition(name)) {
      condition->second = std::move(value);
    } else {
      conditions.emplace_back(name, std::move(value));
    }
    ids.reset();
  }

  // Every filter field narrows the messages to those whose field equals it.
  const std::vector<std::int64_t>& Ids() {
    if (ids) return *ids;
    if (conditions.empty()) {
      ids = FolderItemIds(*session, folder.id);
      return *ids;
    }
    std::vector<std::int64_t> selected;
    for (std::size_t i = 0; i < conditions.size(); ++i) {
      const auto& [name, value] = conditions[i];
      auto matching = MatchingIds(*session, folder, Filter::Equals(name, value), rows);
      selected = i == 0 ? std::move(matching) : KeepMembers(selected, matching);
    }
    ids = std::move(selected);
    return *ids;
  }
};

class FilterField : public cdo::Field {
 public:
  FilterField(std::shared_ptr<Selection> selection, std::string name)
      : selection_(std::move(selection)), name_(std::move(name)) {}
  std::string Name() override { return name_; }
  host::Value Value() override {
    auto* condition = selection_->Condition(name_);
    return condition ? condition->second : host::Value(host::Empty{});
  }
  // Keeps the field's text form, as filter fields are added as text.
  void SetValue(const host::Value& value) override {
    const auto* condition = selection_->Condition(name_);
    const bool text = !condition || std::holds_alternative<std::string>(condition->second);
    selection_->SetCondition(name_, text ? Convert(value, PropertyType::kText) : value);
  }

 private:
  std::shared_ptr<Selection> selection_;
  std::string name_;
};

class FilterFields : public cdo::Fields {
 public:
  explicit FilterFields(std::shared_ptr<Selection> selection) : selection_(std::move(selection)) {}
  Ref<cdo::Field> Item(const std::string& name) override {
    if (!selection_->Condition(name)) {
      selection_->session->Fail(kNotFound, "the message filter of folder \"" + selection_->folder.name +
                                               "\" has no field \"" + name + "\"");
    }
    return host::MakeRef<FilterField>(selection_, name);
  }
  Ref<cdo::Field> Add(const std::string& name, int field_class, const host::Value& value) override {
    selection_->SetCondition(name, Convert(value, TypeOfFieldClass(field_class)));
    return host::MakeRef<FilterField>(selection_, name);
  }

 private:
  std::shared_ptr<Selection> selection_;
};

class StoreMessageFilter : public cdo::MessageFilter {
 public:
  explicit StoreMessageFilter(std::shared_ptr<Selection> selection) : selection_(std::move(selection)) {}
  Ref<cdo::Fields> Fields() override { return host::MakeRef<FilterFields>(selection_); }

 private:
  std::shared_ptr<Selection> selection_;
};

class StoreMessages : public cdo::Messages {
 public:
  explicit StoreMessages(std::shared_ptr<Selection> selection) : selection_(std::move(selection)) {}

  int Count() override { return static_cast<int>(selection_->Ids().size()); }
  Ref<cdo::Message> Item(int index) override {
    const auto& ids = selection_->Ids();
    if (index < 1 || static_cast<std::size_t>(index) > ids.size()) {
      selection_->session->Fail(host::kSubscriptOutOfRange,
                                "folder \"" + selection_->folder.name + "\" has " + std::to_string(ids.size()) +
                                    " messages, none at position " + std::to_string(index));
    }
    auto& session = selection_->session;
    return MakeMessage(selection_->rows.Record(session, ids[static_cast<std::size_t>(index) - 1]));
  }
  Ref<cdo::Message> Add(const std::optional<std::string>& subject, const std::optional<std::string>& text,
                        const std::optional<std::string>& type) override {
    auto& session = selection_->session;
    return MakeMessage(session, InsertItem(*session, selection_->folder, type.value_or("IPM.Note"),
                                           subject.value_or(""), text.value_or("")));
  }
  Ref<cdo::MessageFilter> Filter() override { return host::MakeRef<StoreMessageFilter>(selection_); }

 private:
  std::shared_ptr<Selection> selection_;
};

}  // namespace

Ref<cdo::Messages> MakeMessages(std::shared_ptr<StoreSession> session, FolderRow folder) {
  auto selection = std::make_shared<Selection>();
  selection->session = std::move(session);
  selection->folder = std::move(folder);
  return host::MakeRef<StoreMessages>(std::move(selection));
}

}  // namespace store
