#include "host/testing/recorded.h"

namespace host::testing {
namespace {

class RecordedItems : public Recorded<outlook::Items> {
 public:
  using Recorded::Recorded;
  int Count() override {
    Enter("Count");
    return inner_->Count();
  }
  Ref<outlook::Item> Item(int index) override {
    Enter("Item", index);
    return inner_->Item(index);
  }
  Ref<outlook::Item> Find(const std::string& filter) override {
    Enter("Find", filter);
    return inner_->Find(filter);
  }
  Ref<outlook::Items> Restrict(const std::string& filter) override {
    Enter("Restrict", filter);
    return Wrap<RecordedItems>(inner_->Restrict(filter), "Items");
  }
  void Sort(const std::string& property, bool descending) override {
    Enter("Sort", property, descending);
    inner_->Sort(property, descending);
  }
  Ref<outlook::Item> Add(const std::string& message_class) override {
    Enter("Add", message_class);
    return inner_->Add(message_class);
  }
  void Remove(int index) override {
    Enter("Remove", index);
    inner_->Remove(index);
  }
};

class RecordedFolders : public Recorded<outlook::Folders> {
 public:
  using Recorded::Recorded;
  int Count() override {
    Enter("Count");
    return inner_->Count();
  }
  Ref<outlook::MAPIFolder> Item(int index) override {
    Enter("Item", index);
    return RecordFolder(inner_->Item(index), log_);
  }
  Ref<outlook::MAPIFolder> Item(const std::string& name) override {
    Enter("Item", name);
    return RecordFolder(inner_->Item(name), log_);
  }
};

class RecordedFolder : public Recorded<outlook::MAPIFolder> {
 public:
  using Recorded::Recorded;
  std::string Name() override {
    Enter("Name");
    return inner_->Name();
  }
  std::string EntryID() override {
    Enter("EntryID");
    return inner_->EntryID();
  }
  std::string StoreID() override {
    Enter("StoreID");
    return inner_->StoreID();
  }
  std::string DefaultMessageClass() override {
    Enter("DefaultMessageClass");
    return inner_->DefaultMessageClass();
  }
  Ref<outlook::Folders> Folders() override {
    Enter("Folders");
    return Wrap<RecordedFolders>(inner_->Folders(), "Folders");
  }
  Ref<outlook::Items> Items() override {
    Enter("Items");
    return Wrap<RecordedItems>(inner_->Items(), "Items");
  }
};

}  // namespace

Ref<outlook::MAPIFolder> RecordFolder(const Ref<outlook::MAPIFolder>& folder,
                                      std::shared_ptr<CallLog> log) {
  if (folder.IsNothing()) return nullptr;
  return MakeRef<RecordedFolder>(folder, std::move(log), "Folder");
}

}  // namespace host::testing
