#include "host/desktop/console_slides.h"

#include <algorithm>
#include <functional>
#include <istream>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace desktop {
namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The controls of `form` that have a place in the tab order, in that order.
std::vector<host::SlideControl> InTabOrder(const host::SlideForm& form) {
  std::vector<host::SlideControl> controls;
  std::copy_if(form.controls.begin(), form.controls.end(), std::back_inserter(controls),
               [](const host::SlideControl& control) { return control.tab_index >= 0; });
  std::sort(controls.begin(), controls.end(),
            [](const auto& a, const auto& b) { return a.tab_index < b.tab_index; });
  return controls;
}

}  // namespace

class ConsoleSlides::Slide : public host::SlideWindow {
 public:
  Slide(ConsoleSlides& slides, const host::SlideForm& form, host::ButtonClicks clicks)
      : slides_(slides) {
    text_ = "== " + form.caption + " ==\n";
    for (const host::SlideControl& control : InTabOrder(form)) {
      if (control.kind == host::SlideControl::Kind::kLabel) {
        text_.append(control.content).append("\n");
      } else if (control.kind == host::SlideControl::Kind::kButton && !control.content.empty()) {
        AddChoice(control, clicks);
      }
    }
    text_.append(prompt_).append(": ");
  }
  ~Slide() override { Hide(); }

  void Show() override { slides_.shown_ = this; }
  void Hide() override {
    if (slides_.shown_ == this) slides_.shown_ = nullptr;
  }

  const std::string& text() const { return text_; }

  // The handler the answer `line` chooses; empty for any other line.
  std::function<void()> Choice(const std::string& line) const {
    for (const auto& [letter, click] : choices_) {
      if (line != std::string(1, letter)) continue;
      if (click) return click;
      return [] {};
    }
    return {};
  }

 private:
  void AddChoice(const host::SlideControl& button, host::ButtonClicks& clicks) {
    if (!prompt_.empty()) prompt_.append(", ");
    const char letter = LowerAscii(button.content.front());
    prompt_.append("(").append(1, letter).append(")").append(button.content.substr(1));
    choices_.emplace_back(letter, std::move(clicks[button.name]));
  }

  ConsoleSlides& slides_;
  std::string text_;
  std::string prompt_;
  std::vector<std::pair<char, std::function<void()>>> choices_;
};

ConsoleSlides::ConsoleSlides(std::istream& in, std::ostream& out) : in_(in), out_(out) {}

ConsoleSlides::~ConsoleSlides() = default;

std::unique_ptr<host::SlideWindow> ConsoleSlides::CreateSlide(const host::SlideForm& form,
                                                              host::ButtonClicks clicks) {
  return std::make_unique<Slide>(*this, form, std::move(clicks));
}

void ConsoleSlides::RunSlides() {
  while (shown_ != nullptr) {
    out_ << shown_->text();
    out_.flush();
    std::string line;
    if (!std::getline(in_, line)) return;
    // An answer typed on Windows or sent through a terminal in raw mode ends in "\r".
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (const auto click = shown_->Choice(line)) click();
  }
}

}  // namespace desktop
