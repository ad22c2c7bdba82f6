#include "host/linux_platform.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "host/testing/crm_store.h"
#include "host/testing/quiet_desktop.h"
#include "host/tour.h"

namespace host {
namespace {

// Where the user keeps the program waiting (a question, the tour's slides,
// and between the tour's button clicks) no snapshot of the store is held.
TEST(LinuxPlatformWaitTest, NoStoreSnapshotIsHeldWhileTheUserIsWaitedFor) {
  store::testing::TempDir dir;
  const std::string path = dir.File("crm.db");
  testing::CrmStore crm(path);
  std::vector<std::pair<std::string, bool>> checkpoints;
  const auto checkpoint = [&](const std::string& when) {
    checkpoints.emplace_back(when, store::testing::CanCheckpointFully(path));
  };

  class CheckingBox : public MessageBox {
   public:
    explicit CheckingBox(std::function<void()> wait) : wait_(std::move(wait)) {}
    MsgBoxResult Show(const std::string&, MsgBoxButtons, MsgBoxIcon, const std::optional<std::string>&) override {
      wait_();
      return MsgBoxResult::kOk;
    }

   private:
    std::function<void()> wait_;
  };
  class CheckingSlides : public testing::UnseenSlides {
   public:
    CheckingSlides(std::function<void()> wait, ButtonClicks& clicks) : wait_(std::move(wait)), clicks_(clicks) {}
    std::unique_ptr<SlideWindow> CreateSlide(const SlideForm& form, ButtonClicks clicks) override {
      clicks_ = clicks;
      return UnseenSlides::CreateSlide(form, std::move(clicks));
    }
    void RunSlides() override { wait_(); }

   private:
    std::function<void()> wait_;
    ButtonClicks& clicks_;
  };

  ButtonClicks given_clicks;
  Desktop desktop = testing::QuietDesktop(std::make_unique<CheckingBox>([&] { checkpoint("question"); }));
  desktop.slides = std::make_unique<CheckingSlides>([&] { checkpoint("slides"); }, given_clicks);
  LinuxPlatform platform(path, std::move(desktop));
  const auto read = [&] { platform.CreateQuorviaConnect()->GetFolderId("Account Profiles"); };

  // Each read begins while the log holds another program's commit and is
  // followed by one more: a snapshot still held would keep the checkpoint
  // from copying that.
  const auto commit = [&](const char* team) { crm.store.SetText(crm.acme, "Team", team); };
  commit("North");
  read();
  commit("South");
  EXPECT_FALSE(store::testing::CanCheckpointFully(path)) << "the reads share no transaction";
  platform.MessageBoxes().Show("?", MsgBoxButtons::kOkOnly, MsgBoxIcon::kNone, std::nullopt);
  commit("East");
  read();
  commit("West");
  const auto slide = platform.Slides().CreateSlide(SlideForm{}, {{"Next", [&] {
                                                                   commit("Central");
                                                                   read();
                                                                   commit("Remote");
                                                                 }}});
  platform.Slides().RunSlides();
  given_clicks.at("Next")();
  checkpoint("after a click");
  EXPECT_EQ(checkpoints, (std::vector<std::pair<std::string, bool>>{
                             {"question", true}, {"slides", true}, {"after a click", true}}));
}

}  // namespace
}  // namespace host
