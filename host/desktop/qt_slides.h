#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "host/tour.h"

class QEventLoop;
class QWidget;

namespace desktop {

// Where the labels' font comes from: Debian's fonts-wine, which fontconfig
// does not search.
inline constexpr char kTahomaFile[] = "/usr/share/wine/fonts/tahoma.ttf";

// Slides as Qt windows, making the QApplication on first use. A window's
// client area and every control's place are the form's twips divided by 15;
// the focus chain follows the tab order; pictures come from the program's
// embedded files. The labels' Tahoma is loaded from kTahomaFile; without it
// Qt's substitute for "Tahoma" shows in its place.
class QtSlides : public host::SlideWindows {
 public:
  QtSlides();
  ~QtSlides() override;

  std::unique_ptr<host::SlideWindow> CreateSlide(const host::SlideForm& form,
                                                 host::ButtonClicks clicks) override;
  void RunSlides() override;

  // The top-level widget of a slide made here.
  static QWidget& WindowOf(host::SlideWindow& slide);

 private:
  class Slide;

  // Runs `click`; a throw ends RunSlides, which throws it again.
  void Deliver(const std::function<void()>& click);
  // A slide window was closed by the user.
  void Closed();
  void Quit();

  QEventLoop* loop_ = nullptr;  // RunSlides's loop while it runs
  std::exception_ptr failure_;
  bool closed_ = false;
};

}  // namespace desktop
