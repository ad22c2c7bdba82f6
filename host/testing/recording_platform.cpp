#include "host/testing/recording_platform.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "host/testing/recorded.h"

namespace host::testing {
namespace {

constexpr char kOutlookClass[] = "{0006F03A-0000-0000-C000-000000000046}";

class RecordedNamespace : public Recorded<outlook::Namespace> {
 public:
  using Recorded::Recorded;
  Ref<outlook::Item> GetItemFromID(const std::string& entry_id, const std::string& store_id) override {
    return RecordItem(Forward("GetItemFromID", &Namespace::GetItemFromID, entry_id, store_id), log_);
  }
  Ref<outlook::MAPIFolder> GetFolderFromID(const std::string& entry_id,
                                           const std::string& store_id) override {
    return RecordFolder(Forward("GetFolderFromID", &Namespace::GetFolderFromID, entry_id, store_id),
                        log_);
  }
};

class RecordedInspector : public Recorded<outlook::Inspector> {
 public:
  using Recorded::Recorded;
  void SetWindowState(int state) override { Forward("SetWindowState", &Inspector::SetWindowState, state); }
};

class RecordedApplication : public Recorded<outlook::Application> {
 public:
  using Recorded::Recorded;
  Ref<outlook::Namespace> GetNamespace(const std::string& type) override {
    return Wrap<RecordedNamespace>(Forward("GetNamespace", &Application::GetNamespace, type),
                                   "Namespace");
  }
  Ref<outlook::Inspector> ActiveInspector() override {
    return Wrap<RecordedInspector>(Forward("ActiveInspector", &Application::ActiveInspector), "Inspector");
  }
};

class RecordedSession : public Recorded<cdo::Session> {
 public:
  using Recorded::Recorded;
  void Logon(const std::string& profile_name, const std::string& profile_password, bool show_dialog,
             bool new_session, std::int16_t parent_window) override {
    Forward("Logon", &Session::Logon, profile_name, profile_password, show_dialog, new_session,
            parent_window);
  }
  void Logoff() override { Forward("Logoff", &Session::Logoff); }
  Ref<cdo::Message> GetMessage(const std::string& entry_id, const std::string& store_id) override {
    return RecordMessage(Forward("GetMessage", &Session::GetMessage, entry_id, store_id), log_);
  }
  Ref<cdo::Folder> GetFolder(const std::string& entry_id, const std::string& store_id) override {
    return RecordCdoFolder(Forward("GetFolder", &Session::GetFolder, entry_id, store_id), log_);
  }
};

class RecordedConnect : public Recorded<addin::QuorviaConnect> {
 public:
  using Recorded::Recorded;
  std::string GetFolderId(const std::string& folder_name) override {
    return Forward("GetFolderId", &QuorviaConnect::GetFolderId, folder_name);
  }
  std::string GetStoreId() override { return Forward("GetStoreId", &QuorviaConnect::GetStoreId); }
  std::string GetOutlookVersion() override {
    return Forward("GetOutlookVersion", &QuorviaConnect::GetOutlookVersion);
  }
};

class RecordedSafeFolder : public Recorded<omg::SafeFolder> {
 public:
  using Recorded::Recorded;
  Ref<outlook::MAPIFolder> Item() override { return Forward("Item", &SafeFolder::Item); }
  void SetItem(const Ref<outlook::MAPIFolder>& folder) override {
    Enter("SetItem", folder ? log_->Unrecorded([&] { return folder->Name(); }) : "Nothing");
    inner_->SetItem(folder);
  }
};

class RecordedSafeItem : public Recorded<omg::SafeItem> {
 public:
  using Recorded::Recorded;
  void SetItem(const Ref<outlook::Item>& item) override {
    Enter("SetItem", item ? item->EntryID() : std::string("Nothing"));
    inner_->SetItem(item);
  }
  void SetCompanyName(const std::string& name) override {
    Forward("SetCompanyName", &SafeItem::SetCompanyName, name);
  }
  std::string MessageClass() override { return Forward("MessageClass", &SafeItem::MessageClass); }
  std::string EntryID() override { return Forward("EntryID", &SafeItem::EntryID); }
  Ref<outlook::MAPIFolder> Parent() override { return Forward("Parent", &SafeItem::Parent); }
  Ref<outlook::UserProperties> UserProperties() override {
    return Forward("UserProperties", &SafeItem::UserProperties);
  }
  Ref<outlook::ItemProperties> itemproperties() override {
    return Forward("itemproperties", &SafeItem::itemproperties);
  }
  void Save() override { Forward("Save", &SafeItem::Save); }
};

class RecordedSlides : public SlideWindows {
 public:
  RecordedSlides(SlideWindows& inner, std::shared_ptr<CallLog> log) : inner_(inner), log_(std::move(log)) {}

  std::unique_ptr<SlideWindow> CreateSlide(const SlideForm& form, ButtonClicks clicks) override {
    class RecordedSlide : public SlideWindow {
     public:
      RecordedSlide(std::unique_ptr<SlideWindow> inner, std::shared_ptr<CallLog> log, std::string name)
          : inner_(std::move(inner)), log_(std::move(log)), name_(std::move(name)) {}
      void Show() override {
        log_->Enter(name_ + ".Show");
        inner_->Show();
      }
      void Hide() override {
        log_->Enter(name_ + ".Hide");
        inner_->Hide();
      }

     private:
      std::unique_ptr<SlideWindow> inner_;
      std::shared_ptr<CallLog> log_;
      std::string name_;
    };
    log_->Enter("Slides.CreateSlide", form.name);
    return std::make_unique<RecordedSlide>(inner_.CreateSlide(form, std::move(clicks)), log_, form.name);
  }
  void RunSlides() override {
    log_->Enter("Slides.RunSlides");
    inner_.RunSlides();
  }

 private:
  SlideWindows& inner_;
  std::shared_ptr<CallLog> log_;
};

class RecordedWindows : public WindowLookup {
 public:
  RecordedWindows(WindowLookup& inner, std::shared_ptr<CallLog> log) : inner_(inner), log_(std::move(log)) {}
  std::uint64_t FindWindowA(const std::string& title) override {
    log_->Enter("Windows.FindWindowA", title);
    return inner_.FindWindowA(title);
  }

 private:
  WindowLookup& inner_;
  std::shared_ptr<CallLog> log_;
};

}  // namespace

Ref<outlook::Application> RecordApplication(const Ref<outlook::Application>& application,
                                            std::shared_ptr<CallLog> log) {
  return Record<RecordedApplication>(application, std::move(log), "Application");
}

RecordingPlatform::RecordingPlatform(Platform& inner)
    : inner_(inner),
      slides_(std::make_unique<RecordedSlides>(inner.Slides(), log_)),
      windows_(std::make_unique<RecordedWindows>(inner.Windows(), log_)) {}

RecordingPlatform::~RecordingPlatform() = default;

void RecordingPlatform::Create(const std::string& what) {
  log_->Note("Create(" + what + ")");
  if (refused_.count(what) != 0) throw CannotCreate(what, "refused by the test");
}

Ref<outlook::Application> RecordingPlatform::CreateOutlookByClass() {
  Create(kOutlookClass);
  return MakeRef<RecordedApplication>(inner_.CreateOutlookByClass(), log_, "Application");
}

Ref<outlook::Application> RecordingPlatform::GetRunningOutlook() {
  Create("running Outlook.Application");
  return MakeRef<RecordedApplication>(inner_.GetRunningOutlook(), log_, "Application");
}

Ref<outlook::Application> RecordingPlatform::CreateOutlook() {
  Create("Outlook.Application");
  return MakeRef<RecordedApplication>(inner_.CreateOutlook(), log_, "Application");
}

Ref<cdo::Session> RecordingPlatform::CreateMapiSession() {
  Create("MAPI.Session");
  return MakeRef<RecordedSession>(inner_.CreateMapiSession(), log_, "Session");
}

Ref<addin::QuorviaConnect> RecordingPlatform::CreateQuorviaConnect() {
  Create("Quorvia.Connect");
  return MakeRef<RecordedConnect>(inner_.CreateQuorviaConnect(), log_, "Connect");
}

Ref<omg::SafeFolder> RecordingPlatform::CreateSafeFolder() {
  Create("QuorviaOMG.MAPIFolder");
  return MakeRef<RecordedSafeFolder>(inner_.CreateSafeFolder(), log_, "SafeFolder");
}

Ref<omg::SafeItem> RecordingPlatform::CreateSafeContactItem() {
  Create("QuorviaOMG.SafeContactItem");
  return MakeRef<RecordedSafeItem>(inner_.CreateSafeContactItem(), log_, "SafeContactItem");
}

Ref<omg::SafeItem> RecordingPlatform::CreateSafePostItem() {
  Create("QuorviaOMG.SafePostItem");
  return MakeRef<RecordedSafeItem>(inner_.CreateSafePostItem(), log_, "SafePostItem");
}

Ref<ado::Connection> RecordingPlatform::CreateAdodbConnection() {
  Create("Adodb.connection");
  return RecordConnection(inner_.CreateAdodbConnection(), log_);
}

Ref<ado::Recordset> RecordingPlatform::CreateAdodbRecordset() {
  Create("ADODB.Recordset");
  return RecordRecordset(inner_.CreateAdodbRecordset(), log_);
}

Ref<excel::Application> RecordingPlatform::CreateExcel() {
  Create("Excel.Application");
  return RecordExcel(inner_.CreateExcel(), log_);
}

namespace {

class RecordedQuillet : public Recorded<addin::QuilletConnect> {
 public:
  using Recorded::Recorded;
  void FindFolder() override { Forward("FindFolder", &QuilletConnect::FindFolder); }
};

}  // namespace

Ref<addin::QuilletConnect> RecordingPlatform::CreateQuilletConnect() {
  Create("Quillet.connect");
  return MakeRef<RecordedQuillet>(inner_.CreateQuilletConnect(), log_, "Quillet");
}

void RecordingPlatform::TakeStoreForWriting(const std::vector<std::string>& accounts) {
  log_->Enter("Platform.TakeStoreForWriting");
  inner_.TakeStoreForWriting(accounts);
}

}  // namespace host::testing
