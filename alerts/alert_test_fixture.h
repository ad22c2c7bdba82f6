#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/form1.h"
#include "host/desktop/console_item_windows.h"
#include "host/linux_platform.h"
#include "host/store/test_store.h"
#include "host/testing/quiet_desktop.h"
#include "host/testing/recording_platform.h"

namespace alerts {

// Console item windows that refuse the items named in `refused`, as a window
// that cannot be opened would.
class RefusingItemWindows : public host::ItemWindows {
 public:
  RefusingItemWindows(std::istream& in, std::ostream& out, const std::set<std::string>& refused)
      : console_(in, out), refused_(refused) {}
  void Display(host::DisplayedItem& item) override {
    if (refused_.contains(item.EntryID())) throw host::Error(5, "the window did not open");
    console_.Display(item);
  }
  std::optional<std::uint64_t> ActiveWindow() override { return std::nullopt; }
  void Minimize(std::uint64_t window) override { console_.Minimize(window); }

 private:
  desktop::ConsoleItemWindows console_;
  const std::set<std::string>& refused_;
};

// A store with the database folder and the alerts folders a test asks for,
// and a way to run one command line on it in-process, items displayed on
// a console whose input is `typed` and whose output is out_.
class AlertTest : public ::testing::Test {
 protected:
  // Starts a new store reporting `version`, with "Account Profiles" and below
  // it the folders named, each made for sticky notes.
  void MakeStore(const std::string& version, std::initializer_list<const char*> subfolders) {
    path_ = dir_.File("crm" + std::to_string(++stores_) + ".db");
    store_ = std::make_unique<store::testing::TestStore>(path_, version);
    profiles_ = store_->AddFolder("Account Profiles");
    folders_.clear();
    for (const char* name : subfolders) folders_[name] = store_->AddFolder(name, profiles_, "IPM.StickyNote");
  }

  // Adds an alert of account `key` with `body` to the folder of that name.
  std::int64_t AddAlert(const std::string& folder, const std::string& key, const std::string& body) {
    const std::int64_t item = store_->AddItem(folders_.at(folder), "IPM.StickyNote", {{"AccountID", key}});
    store::Statement update(store_->db(), "UPDATE items SET body = ? WHERE id = ?");
    update.Bind(1, body).Bind(2, item).Run();
    return item;
  }

  app::Outcome Run(const std::string& command_line, const std::string& typed = "") {
    in_.str(typed);
    in_.clear();
    out_.str("");
    trace_.str("");
    host::Desktop desktop =
        host::testing::QuietDesktop(std::make_unique<host::testing::ScriptedMessageBox>());
    desktop.item_windows = std::make_unique<RefusingItemWindows>(in_, out_, refused_);
    inner_ = std::make_unique<host::LinuxPlatform>(path_, std::move(desktop));
    platform_ = std::make_unique<host::testing::RecordingPlatform>(*inner_);
    app::Form1 form(*platform_, command_line, &trace_);
    const app::Outcome outcome = form.Run();
    ending_ = form.ending();
    return outcome;
  }

  // The logged calls that start with one of `kept`, in order.
  std::vector<std::string> Calls(std::initializer_list<std::string_view> kept) {
    std::vector<std::string> result;
    for (const std::string& call : platform_->log().calls()) {
      if (std::any_of(kept.begin(), kept.end(), [&](std::string_view p) { return call.starts_with(p); })) {
        result.push_back(call);
      }
    }
    return result;
  }

  // The ids of the items in the folder of that name, in the order stored.
  std::vector<std::int64_t> ItemsIn(const std::string& folder) {
    std::vector<std::int64_t> ids;
    store::Statement select(store_->db(), "SELECT id FROM items WHERE folder = ? ORDER BY id");
    select.Bind(1, folders_.at(folder));
    while (select.Step()) ids.push_back(select.Int(0));
    return ids;
  }

  store::testing::TempDir dir_;
  int stores_ = 0;
  std::string path_;
  std::unique_ptr<store::testing::TestStore> store_;
  std::int64_t profiles_ = 0;
  std::map<std::string, std::int64_t> folders_;
  std::set<std::string> refused_;   // entry identifiers whose window does not open
  std::istringstream in_;
  std::ostringstream out_;
  std::ostringstream trace_;
  std::unique_ptr<host::LinuxPlatform> inner_;
  std::unique_ptr<host::testing::RecordingPlatform> platform_;
  app::Ending ending_;
};

}  // namespace alerts
