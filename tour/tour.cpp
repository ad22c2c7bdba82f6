#include <string>
#include <utility>

#include "app/form1.h"
#include "tour/slide_forms.h"

// The product tour: two slides about the toolbar and its menus.
namespace app {
namespace {

// A window of this title on the desktop means the tour is not wanted.
constexpr char kNoTourWindowTitle[] = "REDiraz";

}  // namespace

void Form1::Help() { Load(); }

void Form1::Load() {
  CheckPoint = "Start";
  Play();
}

host::Value Form1::Play() {
  if (CheckPoint == "Start" && platform_.Windows().FindWindowA(kNoTourWindowTitle) == 0) {
    ShowSlide(overview_, tour::OverviewForm(), {{"Next1", [this] { Next1_Click(); }}});
    slides_shown_ = true;
  }
  return {};
}

void Form1::Next1_Click() {
  overview_->Hide();
  ShowSlide(overview1_, tour::Overview1Form(),
            {{"Command1", [this] { Command1_Click(); }}, {"Command2", [this] { Command2_Click(); }}});
}

void Form1::Command1_Click() {
  overview1_->Hide();
  ShowSlide(overview_, tour::OverviewForm(), {{"Next1", [this] { Next1_Click(); }}});
}

void Form1::Command2_Click() {
  overview1_->Hide();
  FindFolder();
  ProgramEnd();
}

void Form1::FindFolder() {
  host::ResumeNext on_error("FindFolder", trace_);
  host::Ref<host::addin::QuilletConnect> quillet;
  on_error([&] { quillet = platform_.CreateQuilletConnect(); });
  on_error([&] { quillet->FindFolder(); });
  quillet.Reset();
}

void Form1::ShowSlide(std::unique_ptr<host::SlideWindow>& slide, const host::SlideForm& form,
                      host::ButtonClicks clicks) {
  if (!slide) slide = platform_.Slides().CreateSlide(form, std::move(clicks));
  slide->Show();
}

void Form1::LiveOnSlides() {
  try {
    platform_.Slides().RunSlides();
  } catch (const host::StoreFailure&) {
    throw;
  } catch (const host::Error& error) {
    // A button's handler has no error handling of its own.
    EndRun(Outcome::kAbandoned, "Help was abandoned: " + error.description());
  }
  // The user closed a slide without its buttons: the tour is over.
  ProgramEnd();
}

}  // namespace app
