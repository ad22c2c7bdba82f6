#pragma once

#include <memory>
#include <set>
#include <string>
#include <utility>

#include "host/platform.h"
#include "host/testing/call_log.h"
#include "host/testing/scripted_desktop.h"

namespace host::testing {

// A platform for tests: makes the session objects through an inner platform
// (the real store on a temporary file) and wraps them, and the folders, item
// collections, CDO messages and fields reached through them, and the
// spreadsheet's workbooks, sheets and cells, so that every
// call on them is recorded in log(), any member can be set to fail, and any
// creation can be refused. Releases of the wrapped objects are recorded as
// "Release(NAME)", each run of the event pump as "DoEvents()". Message boxes
// are scripted. The inner platform's slides and window lookup are recorded
// as "Slides.CreateSlide(FORM)", "FORM.Show()", "FORM.Hide()",
// "Slides.RunSlides()" and "Windows.FindWindowA(TITLE)".
class RecordingPlatform : public Platform {
 public:
  explicit RecordingPlatform(Platform& inner);
  ~RecordingPlatform() override;

  // Makes the creation of `what` fail with error 429. `what` is the ProgID,
  // "running Outlook.Application" or the Outlook class identifier.
  void Refuse(const std::string& what) { refused_.insert(what); }

  CallLog& log() { return *log_; }
  ScriptedMessageBox& message_box() { return message_box_; }

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
  // Not recorded: when held-back saves are written is the store's affair.
  void FinishStoreWrites() override { inner_.FinishStoreWrites(); }
  MessageBox& MessageBoxes() override { return message_box_; }
  EventPump& Events() override { return events_; }
  SlideWindows& Slides() override { return *slides_; }
  WindowLookup& Windows() override { return *windows_; }

 private:
  class RecordedEventPump : public EventPump {
   public:
    explicit RecordedEventPump(std::shared_ptr<CallLog> log) : log_(std::move(log)) {}
    void DoEvents() override { log_->Note("DoEvents()"); }

   private:
    std::shared_ptr<CallLog> log_;
  };

  // Records the creation and throws when it is refused.
  void Create(const std::string& what);

  Platform& inner_;
  std::shared_ptr<CallLog> log_ = std::make_shared<CallLog>();
  std::set<std::string> refused_;
  ScriptedMessageBox message_box_;
  RecordedEventPump events_{log_};
  std::unique_ptr<SlideWindows> slides_;
  std::unique_ptr<WindowLookup> windows_;
};

}  // namespace host::testing
