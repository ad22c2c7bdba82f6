#include "tools/preview_desktop.h"

#include <memory>

#include "host/desktop/console_event_pump.h"
#include "host/error.h"
#include "host/tour.h"

namespace storetool {
namespace {

class AnsweringYes : public host::MessageBox {
 public:
  explicit AnsweringYes(std::vector<std::string>& messages) : messages_(messages) {}
  host::MsgBoxResult Show(const std::string& text, host::MsgBoxButtons buttons, host::MsgBoxIcon /*icon*/,
                          const std::optional<std::string>& /*title*/) override {
    messages_.push_back(text);
    return buttons == host::MsgBoxButtons::kYesNo ? host::MsgBoxResult::kYes : host::MsgBoxResult::kOk;
  }

 private:
  std::vector<std::string>& messages_;
};

class NoSlides : public host::SlideWindows {
 public:
  std::unique_ptr<host::SlideWindow> CreateSlide(const host::SlideForm& /*form*/,
                                                 host::ButtonClicks /*clicks*/) override {
    throw host::Error(host::kCannotCreateObject, "a preview shows no slides");
  }
  void RunSlides() override {}
};

class NoWindows : public host::WindowLookup {
 public:
  std::uint64_t FindWindowA(const std::string& /*title*/) override { return 0; }
};

}  // namespace

host::Desktop PreviewDesktop(std::vector<std::string>& messages) {
  host::Desktop desktop;
  desktop.message_box = std::make_unique<AnsweringYes>(messages);
  desktop.events = std::make_unique<desktop::ConsoleEventPump>();
  desktop.slides = std::make_unique<NoSlides>();
  desktop.windows = std::make_unique<NoWindows>();
  desktop.companion_answers = std::make_unique<AnsweringYes>(messages);
  return desktop;
}

}  // namespace storetool
