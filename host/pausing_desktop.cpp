#include "host/pausing_desktop.h"

#include "host/store/store_hosts.h"

namespace host {

MsgBoxResult PausingMessageBox::Show(const std::string& text, MsgBoxButtons buttons, MsgBoxIcon icon,
                                     const std::optional<std::string>& title) {
  store_.EndReads();
  return box_->Show(text, buttons, icon, title);
}

void PausingItemWindows::Display(DisplayedItem& item) {
  store_.EndReads();
  windows_->Display(item);
}

std::unique_ptr<SlideWindow> PausingSlides::CreateSlide(const SlideForm& form, ButtonClicks clicks) {
  for (auto& click : clicks) {
    if (!click.second) continue;
    click.second = [handler = std::move(click.second), this] {
      handler();
      store_.EndReads();
    };
  }
  return slides_->CreateSlide(form, std::move(clicks));
}

void PausingSlides::RunSlides() {
  store_.EndReads();
  slides_->RunSlides();
}

}  // namespace host
