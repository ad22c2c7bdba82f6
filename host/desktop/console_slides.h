#pragma once

#include <iosfwd>
#include <memory>

#include "host/tour.h"

namespace desktop {

// Slides on a terminal. While a slide is shown, RunSlides writes it to `out`
// as "== CAPTION ==" and its labels' texts, one line each in tab order, then
// a prompt of its buttons in tab order, "(n)ext: " or "(b)ack, (f)inish: "
// (each caption's first letter in lower case between brackets, no line
// end), and reads one line from `in`: a button's letter clicks it, any other
// line shows the slide again, the end of `in` closes the window.
class ConsoleSlides : public host::SlideWindows {
 public:
  // Both streams must outlive the slides.
  ConsoleSlides(std::istream& in, std::ostream& out);
  ~ConsoleSlides() override;

  std::unique_ptr<host::SlideWindow> CreateSlide(const host::SlideForm& form,
                                                 host::ButtonClicks clicks) override;
  void RunSlides() override;

 private:
  class Slide;

  std::istream& in_;
  std::ostream& out_;
  Slide* shown_ = nullptr;  // the slide on the terminal, if any
};

}  // namespace desktop
