#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/form1.h"
#include "app/store_run_end.h"
#include "host/linux_platform.h"
#include "host/store/store_hosts.h"
#include "host/store/test_store.h"
#include "host/testing/crm_store.h"
#include "host/testing/quiet_desktop.h"
#include "host/testing/recording_platform.h"

namespace accounts {

// A CRM store (a temporary file, or a database on the test server) and a way to run one command line on it
// in-process, as the program would, with scripted message-box answers.
class AccountTest : public ::testing::Test {
 protected:
  explicit AccountTest(const std::string& outlook_version = "16.0.0.0")
      : crm_(store_path_, outlook_version) {}

  // Runs the command line on a fresh platform over the store; `answer` is
  // what each Yes/No question gets. The form stays in form_.
  app::Outcome Run(const std::string& command_line,
                   host::MsgBoxResult answer = host::MsgBoxResult::kNo) {
    form_.reset();  // it may hold hosts of the platform made before
    host::Desktop desktop = host::testing::QuietDesktop(std::make_unique<host::testing::ScriptedMessageBox>());
    if (desktop_hook_) desktop_hook_(desktop);
    inner_ = std::make_unique<host::LinuxPlatform>(store_path_, std::move(desktop));
    if (write_budget_ >= 0) inner_->store().FailWritesAfter(write_budget_, store_wide_fault_);
    if (busy_timeout_) inner_->store().SetBusyTimeout(*busy_timeout_);
    platform_ = std::make_unique<host::testing::RecordingPlatform>(*inner_);
    if (platform_hook_) platform_hook_(*platform_);
    for (int i = 0; i < 8; ++i) platform_->message_box().Answer(answer);
    form_ = std::make_unique<app::Form1>(*platform_, command_line, &trace_);
    form_->Run();
    ending_ = form_->ending();
    app::EndStoreRun(inner_->store(), ending_, store::Retention{}, trace_);
    return ending_.outcome;
  }

  host::testing::Snapshot Snapshot() { return host::testing::TakeSnapshot(crm_.store.db()); }
  static std::string Id(std::int64_t item) { return store::testing::TestStore::EntryId(item); }
  const std::vector<host::testing::ScriptedMessageBox::Shown>& Shown() {
    return platform_->message_box().shown();
  }

  // The logged calls from the first one that starts with `from` on, keeping
  // those that start with one of `kept`.
  std::vector<std::string> CallsFrom(std::string_view from,
                                     std::initializer_list<std::string_view> kept) {
    const std::vector<std::string>& calls = platform_->log().calls();
    const auto starts = [](std::string_view prefix) {
      return [prefix](const std::string& call) { return call.starts_with(prefix); };
    };
    std::vector<std::string> result;
    std::copy_if(std::find_if(calls.begin(), calls.end(), starts(from)), calls.end(),
                 std::back_inserter(result), [&](const std::string& call) {
                   return std::any_of(kept.begin(), kept.end(), [&](std::string_view prefix) {
                     return starts(prefix)(call);
                   });
                 });
    return result;
  }

  // How often `call` was logged exactly.
  int Count(const std::string& call) {
    const std::vector<std::string>& calls = platform_->log().calls();
    return static_cast<int>(std::count(calls.begin(), calls.end(), call));
  }

  store::testing::TempDir dir_;
  store::testing::StoreLocation location_{dir_};
  std::string store_path_ = location_.str();  // the store Run works on
  host::testing::CrmStore crm_;
  std::unique_ptr<host::LinuxPlatform> inner_;
  std::unique_ptr<host::testing::RecordingPlatform> platform_;
  std::ostringstream trace_;
  std::unique_ptr<app::Form1> form_;  // the last Run's
  int write_budget_ = -1;  // >= 0: writes that succeed before every further one fails
  bool store_wide_fault_ = false;  // those failures fail the whole store
  std::optional<std::chrono::milliseconds> busy_timeout_;
  // Sets up each fresh recording platform, for example to fail a call.
  std::function<void(host::testing::RecordingPlatform&)> platform_hook_;
  // Completes each fresh desktop, for example with item windows.
  std::function<void(host::Desktop&)> desktop_hook_;
  app::Ending ending_;  // how the last Run ended
};

}  // namespace accounts
