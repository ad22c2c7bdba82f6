#include "host/linux_platform.h"

#include <iostream>

#include "host/desktop/console_message_box.h"
#include "host/desktop/qt_event_pump.h"
#include "host/desktop/qt_message_box.h"
#include "host/odbc/odbc_connection.h"
#include "host/odbc/odbc_recordset.h"
#include "host/store/store_hosts.h"

namespace host {
namespace {

constexpr char kNotOnThisSystem[] = "not installed on this system";

}  // namespace

LinuxPlatform::LinuxPlatform(const std::string& store_path, std::unique_ptr<MessageBox> message_box,
                             std::unique_ptr<EventPump> events, const std::string& run_id)
    : store_(std::make_unique<store::StoreHosts>(store_path, run_id)),
      message_box_(std::move(message_box)),
      events_(std::move(events)) {}

LinuxPlatform::~LinuxPlatform() = default;

Ref<outlook::Application> LinuxPlatform::CreateOutlookByClass() { return store_->CreateApplication(); }

Ref<outlook::Application> LinuxPlatform::GetRunningOutlook() {
  // The store is a file that each process opens; there is no running
  // instance to attach to.
  throw CannotCreate("Outlook.Application", "no running instance on this system");
}

Ref<outlook::Application> LinuxPlatform::CreateOutlook() { return store_->CreateApplication(); }

Ref<cdo::Session> LinuxPlatform::CreateMapiSession() { return store_->CreateSession(); }

Ref<addin::QuorviaConnect> LinuxPlatform::CreateQuorviaConnect() { return store_->CreateConnect(); }

Ref<omg::SafeFolder> LinuxPlatform::CreateSafeFolder() { return store_->CreateSafeFolder(); }

Ref<omg::SafeItem> LinuxPlatform::CreateSafeContactItem() { return store_->CreateSafeContactItem(); }

Ref<omg::SafeItem> LinuxPlatform::CreateSafePostItem() { return store_->CreateSafePostItem(); }

Ref<ado::Connection> LinuxPlatform::CreateAdodbConnection() {
  return MakeRef<odbc::OdbcConnection>();
}

Ref<ado::Recordset> LinuxPlatform::CreateAdodbRecordset() { return MakeRef<odbc::OdbcRecordset>(); }

void LinuxPlatform::SetReports(std::filesystem::path folder,
                               sheet::SheetApplication::Settings settings) {
  reports_folder_ = std::move(folder);
  sheet_settings_ = std::move(settings);
}

const sheet::SavedReports& LinuxPlatform::SaveReports() {
  for (const auto& held : sheet_applications_) {
    if (const auto application = held.lock()) application->Save();
  }
  return *saved_reports_;
}

Ref<excel::Application> LinuxPlatform::CreateExcel() {
  if (reports_folder_.empty()) throw CannotCreate("Excel.Application", "no folder for reports is set");
  auto application =
      std::make_shared<sheet::SheetApplication>(reports_folder_, saved_reports_, sheet_settings_);
  sheet_applications_.push_back(application);
  return Ref<excel::Application>(application);
}

Ref<addin::QuilletConnect> LinuxPlatform::CreateQuilletConnect() {
  throw CannotCreate("Quillet.connect", kNotOnThisSystem);
}

std::unique_ptr<Platform> linuxPlatform(const std::string& store_path, bool gui,
                                        const std::string& run_id) {
  std::unique_ptr<MessageBox> message_box;
  if (gui) {
    message_box = std::make_unique<desktop::QtMessageBox>();
  } else {
    message_box = std::make_unique<desktop::ConsoleMessageBox>(std::cin, std::cerr);
  }
  return std::make_unique<LinuxPlatform>(store_path, std::move(message_box),
                                         std::make_unique<desktop::QtEventPump>(), run_id);
}

}  // namespace host
