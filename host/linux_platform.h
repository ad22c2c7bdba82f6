#pragma once

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "host/item_windows.h"
#include "host/platform.h"
#include "host/sheet/sheet_application.h"
#include "host/store/run_record.h"

namespace desktop {
class GuiModule;
}  // namespace desktop

namespace odbc {
class ConnectionPool;
}  // namespace odbc

namespace store {
class StoreHosts;
class StoreSession;
}  // namespace store

namespace host {

// What the user sees and answers: message boxes, the event pump, the tour's
// slides, the lookup of top-level windows, and where the companion add-in
// gives its answers.
struct Desktop {
  std::unique_ptr<MessageBox> message_box;
  std::unique_ptr<EventPump> events;
  std::unique_ptr<SlideWindows> slides;
  std::unique_ptr<WindowLookup> windows;
  std::unique_ptr<MessageBox> companion_answers;
  // Where Display shows items; null when nothing can show them.
  std::unique_ptr<ItemWindows> item_windows;
};

// The platform of a Linux desktop: the mail client, CDO, the add-ins and the
// wrapper library over the embedded store at one path, the reports
// connection and recordset over unixODBC, the spreadsheet application
// writing .xlsx files once a reports folder is set, and the desktop it is
// given.
class LinuxPlatform : public Platform {
 public:
  // `desktop` must be complete; `run` is the program run, for the store's
  // journal of what it did.
  LinuxPlatform(const std::string& store_path, Desktop desktop, store::RunRecord run = {});
  // The same over a store session opened already (and the run it journals).
  LinuxPlatform(std::shared_ptr<store::StoreSession> session, Desktop desktop);
  ~LinuxPlatform() override;

  // The store objects, for tests that inject faults into its writes.
  store::StoreHosts& store() { return *store_; }

  // Where the spreadsheet applications that CreateExcel makes write their
  // workbooks, and how they are set up; until it is called, CreateExcel
  // fails with error 429. `folder` is asked once, when the first application
  // is made; what it throws (std::runtime_error) fails that creation.
  void SetReports(std::function<std::filesystem::path()> folder,
                  sheet::SheetApplication::Settings settings = {});
  void SetReports(const std::filesystem::path& folder, sheet::SheetApplication::Settings settings = {}) {
    SetReports([folder] { return folder; }, std::move(settings));
  }
  // Saves the workbooks of the spreadsheet applications still held, and
  // returns what every application of this platform saved or failed to
  // save, in order.
  const sheet::SavedReports& SaveReports();

  Ref<outlook::Application> CreateOutlookByClass() override;
  Ref<outlook::Application> GetRunningOutlook() override;
  Ref<outlook::Application> CreateOutlook() override;
  Ref<cdo::Session> CreateMapiSession() override;
  Ref<addin::QuorviaConnect> CreateQuorviaConnect() override;
  Ref<omg::SafeFolder> CreateSafeFolder() override;
  Ref<omg::SafeItem> CreateSafeContactItem() override;
  Ref<omg::SafeItem> CreateSafePostItem() override;
  Ref<ado::Connection> CreateAdodbConnection() override;
  Ref<ado::Recordset> CreateAdodbRecordset() override;
  Ref<excel::Application> CreateExcel() override;
  Ref<addin::QuilletConnect> CreateQuilletConnect() override;
  void TakeStoreForWriting(const std::vector<std::string>& accounts) override;
  void FinishStoreWrites() override;
  MessageBox& MessageBoxes() override { return *desktop_.message_box; }
  EventPump& Events() override { return *desktop_.events; }
  SlideWindows& Slides() override { return *desktop_.slides; }
  WindowLookup& Windows() override { return *desktop_.windows; }

 private:
  LinuxPlatform(std::unique_ptr<store::StoreHosts> store, std::string store_path, Desktop desktop);

  std::string store_path_;
  std::unique_ptr<store::StoreHosts> store_;
  Desktop desktop_;
  std::function<std::filesystem::path()> find_reports_folder_;
  std::filesystem::path reports_folder_;
  sheet::SheetApplication::Settings sheet_settings_;
  std::shared_ptr<sheet::SavedReports> saved_reports_ = std::make_shared<sheet::SavedReports>();
  std::vector<std::weak_ptr<sheet::SheetApplication>> sheet_applications_;
  // The reports connections' physical connections, disconnected when the
  // platform goes (the program's end) and the last connection has closed.
  std::shared_ptr<odbc::ConnectionPool> connection_pool_;
};

// The platform the program runs on: the store at `store_path`, whose changes
// `run` journals; with the GUI module `gui`, its Qt message boxes, slides and
// event pump, the inspector's item windows and its X11 window lookup.
// Without one, console message boxes on standard error, slides, items and
// the companion add-in's answers on standard output, all reading standard
// input, no events, and the window lookup of the module that `load_gui`
// yields, loaded only when a lookup has a display to look on.
std::unique_ptr<LinuxPlatform> linuxPlatform(const std::string& store_path, desktop::GuiModule* gui,
                                             store::RunRecord run,
                                             std::function<desktop::GuiModule&()> load_gui);

}  // namespace host
