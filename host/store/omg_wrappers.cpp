#include "host/store/omg_wrappers.h"

namespace store {
namespace {

using host::Ref;
namespace ol = host::outlook;

class SafeFolder : public host::omg::SafeFolder {
 public:
  Ref<ol::MAPIFolder> Item() override { return folder_; }
  void SetItem(const Ref<ol::MAPIFolder>& folder) override { folder_ = folder; }

 private:
  Ref<ol::MAPIFolder> folder_;
};

// The held reference throws error 91 on use while it holds nothing.
class SafeItem : public host::omg::SafeItem {
 public:
  explicit SafeItem(bool contact) : contact_(contact) {}

  void SetItem(const Ref<ol::Item>& item) override { item_ = item; }
  void SetCompanyName(const std::string& name) override {
    if (!contact_) {
      throw host::Error(host::kNotSupported,
                        "Object doesn't support this property or method: SafePostItem.CompanyName");
    }
    item_->SetCompanyName(name);
  }
  std::string MessageClass() override { return item_->MessageClass(); }
  std::string EntryID() override { return item_->EntryID(); }
  Ref<ol::MAPIFolder> Parent() override { return item_->Parent(); }
  Ref<ol::UserProperties> UserProperties() override { return item_->UserProperties(); }
  Ref<ol::ItemProperties> itemproperties() override { return item_->itemproperties(); }
  void Save() override { item_->Save(); }

 private:
  bool contact_;
  Ref<ol::Item> item_;
};

}  // namespace

Ref<host::omg::SafeFolder> MakeSafeFolder() { return host::MakeRef<SafeFolder>(); }
Ref<host::omg::SafeItem> MakeSafeContactItem() { return host::MakeRef<SafeItem>(true); }
Ref<host::omg::SafeItem> MakeSafePostItem() { return host::MakeRef<SafeItem>(false); }

}  // namespace store
