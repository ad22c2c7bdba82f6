#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/platform.h"
#include "host/store/store_hosts.h"

namespace store {
class StoreSession;
}  // namespace store

namespace storetool {

// The platform a previewed account command runs on: the store's host
// objects over one session, message boxes that answer Yes (and OK) and
// keep their texts, and no desktop: no events, slides, windows, reports
// database or spreadsheet (creating those fails with error 429).
class PreviewPlatform : public host::Platform {
 public:
  explicit PreviewPlatform(std::shared_ptr<store::StoreSession> session);
  ~PreviewPlatform() override;

  // The texts of the message boxes shown, in order.
  const std::vector<std::string>& messages() const;

  host::Ref<host::outlook::Application> CreateOutlookByClass() override;
  host::Ref<host::outlook::Application> GetRunningOutlook() override;
  host::Ref<host::outlook::Application> CreateOutlook() override;
  host::Ref<host::cdo::Session> CreateMapiSession() override;
  host::Ref<host::addin::QuorviaConnect> CreateQuorviaConnect() override;
  host::Ref<host::omg::SafeFolder> CreateSafeFolder() override;
  host::Ref<host::omg::SafeItem> CreateSafeContactItem() override;
  host::Ref<host::omg::SafeItem> CreateSafePostItem() override;
  host::Ref<host::ado::Connection> CreateAdodbConnection() override;
  host::Ref<host::ado::Recordset> CreateAdodbRecordset() override;
  host::Ref<host::excel::Application> CreateExcel() override;
  host::Ref<host::addin::QuilletConnect> CreateQuilletConnect() override;
  host::MessageBox& MessageBoxes() override;
  host::EventPump& Events() override;
  host::SlideWindows& Slides() override;
  host::WindowLookup& Windows() override;

 private:
  class Desktop;
  store::StoreHosts store_;
  std::unique_ptr<Desktop> desktop_;
};

}  // namespace storetool
