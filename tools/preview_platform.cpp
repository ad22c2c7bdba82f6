#include "tools/preview_platform.h"

#include "host/ado.h"
#include "host/error.h"
#include "host/excel.h"
#include "host/store/store_session.h"
#include "host/tour.h"

namespace storetool {

// Everything a preview shows goes into the messages; nothing else is there.
class PreviewPlatform::Desktop : public host::MessageBox,
                                 public host::EventPump,
                                 public host::SlideWindows,
                                 public host::WindowLookup {
 public:
  host::MsgBoxResult Show(const std::string& text, host::MsgBoxButtons buttons, host::MsgBoxIcon /*icon*/,
                          const std::optional<std::string>& /*title*/) override {
    messages.push_back(text);
    return buttons == host::MsgBoxButtons::kYesNo ? host::MsgBoxResult::kYes : host::MsgBoxResult::kOk;
  }
  void DoEvents() override {}
  std::unique_ptr<host::SlideWindow> CreateSlide(const host::SlideForm& /*form*/,
                                                 host::ButtonClicks /*clicks*/) override {
    throw host::Error(host::kCannotCreateObject, "a preview shows no slides");
  }
  void RunSlides() override {}
  std::uint64_t FindWindowA(const std::string& /*title*/) override { return 0; }

  std::vector<std::string> messages;
};

PreviewPlatform::PreviewPlatform(std::shared_ptr<store::StoreSession> session)
    : store_(std::move(session)), desktop_(std::make_unique<Desktop>()) {}

PreviewPlatform::~PreviewPlatform() = default;

const std::vector<std::string>& PreviewPlatform::messages() const { return desktop_->messages; }

host::Ref<host::outlook::Application> PreviewPlatform::CreateOutlookByClass() {
  return store_.CreateApplication();
}

host::Ref<host::outlook::Application> PreviewPlatform::GetRunningOutlook() {
  throw host::CannotCreate("Outlook.Application", "no running instance in a preview");
}

host::Ref<host::outlook::Application> PreviewPlatform::CreateOutlook() { return store_.CreateApplication(); }

host::Ref<host::cdo::Session> PreviewPlatform::CreateMapiSession() { return store_.CreateSession(); }

host::Ref<host::addin::QuorviaConnect> PreviewPlatform::CreateQuorviaConnect() { return store_.CreateConnect(); }

host::Ref<host::omg::SafeFolder> PreviewPlatform::CreateSafeFolder() { return store_.CreateSafeFolder(); }

host::Ref<host::omg::SafeItem> PreviewPlatform::CreateSafeContactItem() { return store_.CreateSafeContactItem(); }

host::Ref<host::omg::SafeItem> PreviewPlatform::CreateSafePostItem() { return store_.CreateSafePostItem(); }

host::Ref<host::ado::Connection> PreviewPlatform::CreateAdodbConnection() {
  throw host::CannotCreate("Adodb.connection", "a preview uses no reports database");
}

host::Ref<host::ado::Recordset> PreviewPlatform::CreateAdodbRecordset() {
  throw host::CannotCreate("ADODB.Recordset", "a preview uses no reports database");
}

host::Ref<host::excel::Application> PreviewPlatform::CreateExcel() {
  throw host::CannotCreate("Excel.Application", "a preview writes no workbook");
}

host::Ref<host::addin::QuilletConnect> PreviewPlatform::CreateQuilletConnect() {
  throw host::CannotCreate("Quillet.connect", "a preview asks no companion add-in");
}

host::MessageBox& PreviewPlatform::MessageBoxes() { return *desktop_; }
host::EventPump& PreviewPlatform::Events() { return *desktop_; }
host::SlideWindows& PreviewPlatform::Slides() { return *desktop_; }
host::WindowLookup& PreviewPlatform::Windows() { return *desktop_; }

}  // namespace storetool
