#include "host/testing/recorded.h"

namespace host::testing {
namespace {

using outlook::MAPIFolder;

class RecordedProperty : public Recorded<outlook::Property> {
 public:
  using Recorded::Recorded;
  std::string Name() override { return Forward("Name", &Property::Name); }
  host::Value Value() override { return Forward("Value", &Property::Value); }
  void SetValue(const host::Value& value) override { Forward("SetValue", &Property::SetValue, value); }
};

class RecordedItemProperties : public Recorded<outlook::ItemProperties> {
 public:
  using Recorded::Recorded;
  Ref<outlook::Property> Item(const std::string& name) override {
    return Wrap<RecordedProperty>(Forward("Item", &ItemProperties::Item, name), "Property");
  }
  Ref<outlook::Property> Add(const std::string& name, int type) override {
    return Wrap<RecordedProperty>(Forward("Add", &ItemProperties::Add, name, type), "Property");
  }
};

class RecordedItem : public Recorded<outlook::Item> {
 public:
  using Recorded::Recorded;
  std::string TypeName() override { return Forward("TypeName", &Item::TypeName); }
  std::string MessageClass() override { return Forward("MessageClass", &Item::MessageClass); }
  std::string EntryID() override { return Forward("EntryID", &Item::EntryID); }
  std::string Subject() override { return Forward("Subject", &Item::Subject); }
  std::string CompanyName() override { return Forward("CompanyName", &Item::CompanyName); }
  void SetCompanyName(const std::string& name) override {
    Forward("SetCompanyName", &Item::SetCompanyName, name);
  }
  Ref<outlook::UserProperties> UserProperties() override {
    return Forward("UserProperties", &Item::UserProperties);
  }
  Ref<outlook::ItemProperties> itemproperties() override {
    return Wrap<RecordedItemProperties>(Forward("itemproperties", &Item::itemproperties),
                                        "ItemProperties");
  }
  Ref<MAPIFolder> Parent() override { return Forward("Parent", &Item::Parent); }
  Ref<outlook::Application> Application() override {
    return RecordApplication(Forward("Application", &Item::Application), log_);
  }
  void Save() override { Forward("Save", &Item::Save); }
  void Delete() override { Forward("Delete", &Item::Delete); }
  void Display() override { Forward("Display", &Item::Display); }
};

class RecordedItems : public Recorded<outlook::Items> {
 public:
  using Recorded::Recorded;
  int Count() override { return Forward("Count", &Items::Count); }
  Ref<outlook::Item> Item(int index) override {
    return RecordItem(Forward("Item", &Items::Item, index), log_);
  }
  Ref<outlook::Item> Find(const std::string& filter) override {
    return Forward("Find", &Items::Find, filter);
  }
  Ref<outlook::Items> Restrict(const std::string& filter) override {
    return Wrap<RecordedItems>(Forward("Restrict", &Items::Restrict, filter), "Items");
  }
  void Sort(const std::string& property, bool descending) override {
    Forward("Sort", &Items::Sort, property, descending);
  }
  Ref<outlook::Item> Add(const std::string& message_class) override {
    return RecordItem(Forward("Add", &Items::Add, message_class), log_);
  }
  void Remove(int index) override { Forward("Remove", &Items::Remove, index); }
};

class RecordedFolders : public Recorded<outlook::Folders> {
 public:
  using Recorded::Recorded;
  int Count() override { return Forward("Count", &Folders::Count); }
  // Item is overloaded, so each names its own member.
  Ref<MAPIFolder> Item(int index) override {
    Enter("Item", index);
    return RecordFolder(inner_->Item(index), log_);
  }
  Ref<MAPIFolder> Item(const std::string& name) override {
    Enter("Item", name);
    return RecordFolder(inner_->Item(name), log_);
  }
};

class RecordedFolder : public Recorded<MAPIFolder> {
 public:
  using Recorded::Recorded;
  std::string Name() override { return Forward("Name", &MAPIFolder::Name); }
  std::string EntryID() override { return Forward("EntryID", &MAPIFolder::EntryID); }
  std::string StoreID() override { return Forward("StoreID", &MAPIFolder::StoreID); }
  std::string DefaultMessageClass() override {
    return Forward("DefaultMessageClass", &MAPIFolder::DefaultMessageClass);
  }
  Ref<outlook::Folders> Folders() override {
    return Wrap<RecordedFolders>(Forward("Folders", &MAPIFolder::Folders), "Folders");
  }
  Ref<outlook::Items> Items() override {
    return Wrap<RecordedItems>(Forward("Items", &MAPIFolder::Items), "Items");
  }
};

}  // namespace

Ref<outlook::Item> RecordItem(const Ref<outlook::Item>& item, std::shared_ptr<CallLog> log) {
  return Record<RecordedItem>(item, std::move(log), "Item");
}

Ref<MAPIFolder> RecordFolder(const Ref<MAPIFolder>& folder, std::shared_ptr<CallLog> log) {
  return Record<RecordedFolder>(folder, std::move(log), "Folder");
}

}  // namespace host::testing
