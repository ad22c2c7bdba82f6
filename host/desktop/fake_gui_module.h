#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/desktop/gui_module.h"

namespace desktop::testing {

// A GuiModule for tests of what chooses and loads the desktop. It counts the
// calls to PrepareWindows, which yields `prepare_failure`; its window lookups
// find `windows` by title and record every title asked for. It makes no
// other host (they are null).
class FakeGuiModule : public GuiModule {
 public:
  std::string prepare_failure;
  std::map<std::string, std::uint64_t> windows;
  int prepared = 0;
  int lookups_made = 0;
  std::vector<std::string> titles_asked;

  std::string PrepareWindows() override {
    ++prepared;
    return prepare_failure;
  }
  void EndOnLostDisplay(std::function<void(const std::string& reason)> /*end*/) override {}
  std::unique_ptr<host::MessageBox> MakeMessageBox() override { return nullptr; }
  std::unique_ptr<host::EventPump> MakeEventPump() override { return nullptr; }
  std::unique_ptr<host::SlideWindows> MakeSlides() override { return nullptr; }
  std::unique_ptr<host::WindowLookup> MakeWindowLookup() override {
    ++lookups_made;
    return std::make_unique<Lookup>(*this);
  }
  std::unique_ptr<host::ItemWindows> MakeItemWindows(const std::string& /*store_path*/) override {
    return nullptr;
  }

 private:
  class Lookup : public host::WindowLookup {
   public:
    explicit Lookup(FakeGuiModule& module) : module_(module) {}
    std::uint64_t FindWindowA(const std::string& title) override {
      module_.titles_asked.push_back(title);
      const auto found = module_.windows.find(title);
      return found == module_.windows.end() ? 0 : found->second;
    }

   private:
    FakeGuiModule& module_;
  };
};

}  // namespace desktop::testing
