#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "host/linux_platform.h"
#include "host/testing/scripted_desktop.h"
#include "host/tour.h"

namespace host::testing {

// Slides that nobody sees: showing and hiding do nothing, and running them
// returns at once, as if the user had closed the window.
class UnseenSlides : public SlideWindows {
 public:
  std::unique_ptr<SlideWindow> CreateSlide(const SlideForm& /*form*/, ButtonClicks /*clicks*/) override {
    class Unseen : public SlideWindow {
     public:
      void Show() override {}
      void Hide() override {}
    };
    return std::make_unique<Unseen>();
  }
  void RunSlides() override {}
};

// A desktop without any other program's window.
class NoWindows : public WindowLookup {
 public:
  std::uint64_t FindWindowA(const std::string& /*title*/) override { return 0; }
};

// A desktop for runs that must show nothing: `message_box`, no event to
// pump, unseen slides, no other window, and the companion add-in's answers
// on another scripted box.
inline Desktop QuietDesktop(std::unique_ptr<MessageBox> message_box) {
  Desktop desktop;
  desktop.message_box = std::move(message_box);
  desktop.events = std::make_unique<IdleEventPump>();
  desktop.slides = std::make_unique<UnseenSlides>();
  desktop.windows = std::make_unique<NoWindows>();
  desktop.companion_answers = std::make_unique<ScriptedMessageBox>();
  return desktop;
}

}  // namespace host::testing
