#include "host/linux_platform.h"

#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <utility>

#include "host/desktop/console_event_pump.h"
#include "host/desktop/console_item_windows.h"
#include "host/desktop/console_message_box.h"
#include "host/desktop/console_slides.h"
#include "host/desktop/deferred_window_lookup.h"
#include "host/desktop/report_destination.h"
#include "host/odbc/connection_pool.h"
#include "host/odbc/odbc_connection.h"
#include "host/odbc/odbc_recordset.h"
#include "host/pausing_desktop.h"
#include "host/store/quillet_connect.h"
#include "host/store/store_hosts.h"
#include "host/store/store_session.h"

namespace host {

LinuxPlatform::LinuxPlatform(const std::string& store_path, Desktop desktop, store::RunRecord run)
    : LinuxPlatform(std::make_unique<store::StoreHosts>(store_path, std::move(run)), store_path, std::move(desktop)) {}

LinuxPlatform::LinuxPlatform(std::shared_ptr<store::StoreSession> session, Desktop desktop)
    : LinuxPlatform(std::make_unique<store::StoreHosts>(session), session->path(), std::move(desktop)) {}

LinuxPlatform::LinuxPlatform(std::unique_ptr<store::StoreHosts> store, std::string store_path, Desktop desktop)
    : store_path_(std::move(store_path)),
      store_(std::move(store)),
      desktop_(std::move(desktop)),
      connection_pool_(std::make_shared<odbc::ConnectionPool>()) {
  // The program waits for its user only in the desktop's message boxes,
  // slides and item windows (a note's text typed on the terminal), so the
  // store may share one read transaction among the reads between two such
  // waits.
  desktop_.message_box = std::make_unique<PausingMessageBox>(std::move(desktop_.message_box), *store_);
  desktop_.companion_answers =
      std::make_unique<PausingMessageBox>(std::move(desktop_.companion_answers), *store_);
  desktop_.slides = std::make_unique<PausingSlides>(std::move(desktop_.slides), *store_);
  if (desktop_.item_windows) {
    desktop_.item_windows = std::make_unique<PausingItemWindows>(std::move(desktop_.item_windows), *store_);
  }
  store_->SetItemWindows(desktop_.item_windows.get());
  store_->GroupReads();
}

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
  return MakeRef<odbc::OdbcConnection>(connection_pool_);
}

Ref<ado::Recordset> LinuxPlatform::CreateAdodbRecordset() { return MakeRef<odbc::OdbcRecordset>(); }

void LinuxPlatform::SetReports(std::function<std::filesystem::path()> folder,
                               sheet::SheetApplication::Settings settings) {
  find_reports_folder_ = std::move(folder);
  reports_folder_.clear();
  sheet_settings_ = std::move(settings);
}

const sheet::SavedReports& LinuxPlatform::SaveReports() {
  for (const auto& held : sheet_applications_) {
    const auto application = held.lock();
    if (!application) continue;
    try {
      application->Save();
    } catch (const Error& error) {
      saved_reports_->failures.push_back(error.description());
    }
  }
  return *saved_reports_;
}

Ref<excel::Application> LinuxPlatform::CreateExcel() {
  if (!find_reports_folder_) throw CannotCreate("Excel.Application", "no folder for reports is set");
  if (reports_folder_.empty()) {
    try {
      reports_folder_ = find_reports_folder_();
    } catch (const std::runtime_error& error) {
      throw CannotCreate("Excel.Application", error.what());
    }
  }
  auto application =
      std::make_shared<sheet::SheetApplication>(reports_folder_, saved_reports_, sheet_settings_);
  sheet_applications_.push_back(application);
  return Ref<excel::Application>(application);
}

Ref<addin::QuilletConnect> LinuxPlatform::CreateQuilletConnect() {
  return store::MakeQuilletConnect(store_path_, *desktop_.companion_answers);
}

void LinuxPlatform::TakeStoreForWriting(const std::vector<std::string>& accounts) {
  store_->TakeForWriting(accounts);
}

void LinuxPlatform::FinishStoreWrites() { store_->WriteHeldBack(); }

std::unique_ptr<LinuxPlatform> linuxPlatform(const std::string& store_path, desktop::GuiModule* gui,
                                             store::RunRecord run,
                                             std::function<desktop::GuiModule&()> load_gui) {
  Desktop desktop;
  if (gui != nullptr) {
    desktop.message_box = gui->MakeMessageBox();
    desktop.events = gui->MakeEventPump();
    desktop.slides = gui->MakeSlides();
    desktop.windows = gui->MakeWindowLookup();
    desktop.companion_answers = gui->MakeMessageBox();
    desktop.item_windows = gui->MakeItemWindows(store_path);
  } else {
    desktop.message_box = std::make_unique<desktop::ConsoleMessageBox>(std::cin, std::cerr);
    desktop.events = std::make_unique<desktop::ConsoleEventPump>();
    desktop.slides = std::make_unique<desktop::ConsoleSlides>(std::cin, std::cout);
    const char* display = std::getenv("DISPLAY");
    desktop.windows =
        std::make_unique<desktop::DeferredWindowLookup>(display != nullptr ? display : "", std::move(load_gui));
    desktop.companion_answers = std::make_unique<desktop::ConsoleMessageBox>(std::cin, std::cout);
    // A new note's text is typed: ask for it when a person is there to type.
    desktop.item_windows = std::make_unique<desktop::ConsoleItemWindows>(
        std::cin, std::cout, isatty(STDIN_FILENO) == 1 ? &std::cerr : nullptr);
  }
  auto platform = std::make_unique<LinuxPlatform>(store_path, std::move(desktop), std::move(run));
  platform->SetReports(desktop::ReportsFolder);
  return platform;
}

}  // namespace host
