#include "host/testing/recorded.h"

namespace host::testing {
namespace {

using outlook::MAPIFolder;

class RecordedItems : public Recorded<outlook::Items> {
 public:
  using Recorded::Recorded;
  int Count() override { return Forward("Count", &Items::Count); }
  Ref<outlook::Item> Item(int index) override { return Forward("Item", &Items::Item, index); }
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
    return Forward("Add", &Items::Add, message_class);
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

Ref<MAPIFolder> RecordFolder(const Ref<MAPIFolder>& folder, std::shared_ptr<CallLog> log) {
  return Record<RecordedFolder>(folder, std::move(log), "Folder");
}

}  // namespace host::testing
