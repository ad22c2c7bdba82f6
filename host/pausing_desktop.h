#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "host/item_windows.h"
#include "host/message_box.h"
#include "host/tour.h"

namespace store {
class StoreHosts;
}  // namespace store

namespace host {

// The desktop parts where the program waits for its user, each of which
// first ends the store's shared read transaction: no store snapshot may be
// held over such a wait. (Pumping events handles what is pending and
// returns: no wait.)
class PausingMessageBox final : public MessageBox {
 public:
  PausingMessageBox(std::unique_ptr<MessageBox> box, store::StoreHosts& store)
      : box_(std::move(box)), store_(store) {}
  MsgBoxResult Show(const std::string& text, MsgBoxButtons buttons, MsgBoxIcon icon,
                    const std::optional<std::string>& title) override;

 private:
  std::unique_ptr<MessageBox> box_;
  store::StoreHosts& store_;
};

// Item windows: on the terminal, a new note waits for its text.
class PausingItemWindows final : public ItemWindows {
 public:
  PausingItemWindows(std::unique_ptr<ItemWindows> windows, store::StoreHosts& store)
      : windows_(std::move(windows)), store_(store) {}
  void Display(DisplayedItem& item) override;
  std::optional<std::uint64_t> ActiveWindow() override { return windows_->ActiveWindow(); }
  void Minimize(std::uint64_t window) override { windows_->Minimize(window); }

 private:
  std::unique_ptr<ItemWindows> windows_;
  store::StoreHosts& store_;
};

// The tour's slides: the user reads them for as long as they like, and
// after a button's handler the slides wait again.
class PausingSlides final : public SlideWindows {
 public:
  PausingSlides(std::unique_ptr<SlideWindows> slides, store::StoreHosts& store)
      : slides_(std::move(slides)), store_(store) {}
  std::unique_ptr<SlideWindow> CreateSlide(const SlideForm& form, ButtonClicks clicks) override;
  void RunSlides() override;

 private:
  std::unique_ptr<SlideWindows> slides_;
  store::StoreHosts& store_;
};

}  // namespace host
