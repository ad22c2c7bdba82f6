#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The tour's slide windows and the lookup of other programs' windows.
namespace host {

// One control of a slide form. Positions are twips (1/1440 inch) within the
// window's client area; 15 twips make one pixel at 96 dots per inch.
struct SlideControl {
  enum class Kind { kLabel, kPicture, kButton };
  std::string name;  // "Label1", "Next1", ...
  Kind kind = Kind::kLabel;
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  // A label's text, a button's caption, or a picture's embedded file name
  // ("overview.jpg").
  std::string content;
  int tab_index = -1;  // -1: not in the tab order (pictures)
};

// A slide form: a top-level window with a title bar, no icon, at the place
// the desktop gives a new window. Labels use Tahoma 9.75 point regular,
// buttons the default font, pictures are shown unscaled.
struct SlideForm {
  std::string name;     // "Overview"
  std::string caption;  // the title bar's text
  int client_width = 0;   // twips
  int client_height = 0;  // twips
  std::vector<SlideControl> controls;
};

// The handlers of a slide's buttons, by button name.
using ButtonClicks = std::map<std::string, std::function<void()>>;

// One slide window; it keeps its controls while hidden.
class SlideWindow {
 public:
  virtual ~SlideWindow() = default;
  // Shows the window without modality (nothing happens when it is shown).
  virtual void Show() = 0;
  virtual void Hide() = 0;
};

// Makes slide windows and runs them.
class SlideWindows {
 public:
  virtual ~SlideWindows() = default;
  // Makes the window of `form`, hidden. A click on a button runs its handler
  // in `clicks`; a button without one does nothing. Throws host::Error when
  // no window can be made.
  virtual std::unique_ptr<SlideWindow> CreateSlide(const SlideForm& form, ButtonClicks clicks) = 0;
  // Lets the user work with the shown slides. Returns when the user closes a
  // slide window other than through its buttons (close box, keyboard, window
  // manager), or at once when no slide is shown. A handler that throws ends
  // the run of the slides, and this throws what it threw.
  virtual void RunSlides() = 0;
};

// The top-level windows of the desktop, those of other programs included.
class WindowLookup {
 public:
  virtual ~WindowLookup() = default;
  // A handle of a top-level window, shown or not, whose title is `title`
  // without regard to case, or 0 when there is none (or no desktop to look on).
  virtual std::uint64_t FindWindowA(const std::string& title) = 0;
};

}  // namespace host
