#include <optional>
#include <vector>

#include "host/store/filter.h"
#include "host/store/item_selection.h"
#include "host/store/outlook_store.h"

namespace store {
namespace {

using host::Ref;
namespace ol = host::outlook;

// "[AccountID]" or "AccountID" gives "AccountID".
std::string PropertyName(const std::string& text) {
  if (text.size() >= 2 && text.front() == '[' && text.back() == ']') {
    return text.substr(1, text.size() - 2);
  }
  return text;
}

// A folder's items. While ids_ is empty the collection is the folder as it
// is now; once positions are used (or for a restriction, from the start)
// ids_ fixes its members and their order.
class StoreItems : public ol::Items {
 public:
  StoreItems(std::shared_ptr<StoreSession> session, FolderRow folder,
             std::optional<std::vector<std::int64_t>> ids, ItemRows rows = {})
      : session_(std::move(session)), folder_(std::move(folder)), ids_(std::move(ids)), rows_(std::move(rows)) {}

  int Count() override {
    return ids_ ? static_cast<int>(ids_->size()) : FolderItemCount(*session_, folder_.id);
  }
  Ref<ol::Item> Item(int index) override { return MakeItem(rows_.Record(session_, IdAt(index))); }
  Ref<ol::Item> Find(const std::string& filter) override {
    const Filter parsed = Filter::Parse(filter);
    if (!ids_) {
      auto found = FirstMatchingItem(*session_, folder_.id, parsed);
      if (!found) return nullptr;
      return MakeItem(session_, std::move(*found));
    }
    const auto kept = KeepMembers(*ids_, MatchingIds(*session_, folder_, parsed, rows_));
    if (kept.empty()) return nullptr;
    return MakeItem(rows_.Record(session_, kept.front()));
  }
  Ref<ol::Items> Restrict(const std::string& filter) override {
    ItemRows rows;
    auto matching = MatchingIds(*session_, folder_, Filter::Parse(filter), rows);
    if (ids_) matching = KeepMembers(*ids_, matching);
    return host::MakeRef<StoreItems>(session_, folder_, std::move(matching), std::move(rows));
  }
  void Sort(const std::string& property, bool descending) override {
    ids_ = SortByProperty(*session_, Ids(), PropertyName(property), descending);
  }
  Ref<ol::Item> Add(const std::string& message_class) override {
    const std::string item_class = message_class.empty() ? folder_.default_message_class : message_class;
    return MakeNewItem(session_, folder_, item_class);
  }
  void Remove(int index) override {
    const std::int64_t id = IdAt(index);
    DeleteItem(*session_, rows_.Get(*session_, id));
    ids_->erase(ids_->begin() + (index - 1));
  }

 private:
  std::vector<std::int64_t>& Ids() {
    if (!ids_) ids_ = FolderItemIds(*session_, folder_.id);
    return *ids_;
  }
  std::int64_t IdAt(int index) {
    const auto& ids = Ids();
    if (index < 1 || static_cast<std::size_t>(index) > ids.size()) {
      session_->Fail(host::kSubscriptOutOfRange,
                     "folder \"" + folder_.name + "\" has " + std::to_string(ids.size()) +
                         " items, none at position " + std::to_string(index));
    }
    return ids[static_cast<std::size_t>(index) - 1];
  }

  std::shared_ptr<StoreSession> session_;
  FolderRow folder_;
  std::optional<std::vector<std::int64_t>> ids_;
  ItemRows rows_;
};

}  // namespace

Ref<ol::Items> MakeFolderItems(std::shared_ptr<StoreSession> session, FolderRow row) {
  return host::MakeRef<StoreItems>(std::move(session), std::move(row), std::nullopt);
}

}  // namespace store
