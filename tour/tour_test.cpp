#include <algorithm>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "accounts/account_test_fixture.h"
#include "host/desktop/console_slides.h"

// The tour through the main form, with the slides on a scripted terminal.
namespace app {
namespace {

class TourTest : public accounts::AccountTest {
 protected:
  ~TourTest() override { form_.reset(); }  // its slides read input_

  // Runs "Help" with `answers` as the user's lines; `prepare` sets up the
  // recording platform first.
  Outcome Run(const std::string& answers, std::function<void(host::testing::RecordingPlatform&)> prepare = {}) {
    input_.clear();
    input_.str(answers);
    desktop_hook_ = [this](host::Desktop& desktop) {
      desktop.slides = std::make_unique<desktop::ConsoleSlides>(input_, output_);
      auto answers_box = std::make_unique<host::testing::ScriptedMessageBox>();
      companion_ = answers_box.get();
      desktop.companion_answers = std::move(answers_box);
    };
    platform_hook_ = std::move(prepare);
    return AccountTest::Run("Help");
  }

  std::istringstream input_;
  std::ostringstream output_;
  host::testing::ScriptedMessageBox* companion_ = nullptr;
};

TEST_F(TourTest, FinishEndsTheProgramEvenWhenTheCompanionFails) {
  const struct {
    const char* what;
    std::function<void(host::testing::RecordingPlatform&)> fault;
    const char* trace;
  } cases[] = {
      {"not installed", [](auto& p) { p.Refuse("Quillet.connect"); },
       "trace: FindFolder: error 429: "},
      {"failing", [](auto& p) { p.log().FailCall("Quillet.FindFolder"); }, "trace: FindFolder: error 5: "},
  };
  for (const auto& c : cases) {
    trace_.str("");
    EXPECT_EQ(Run("n\nf\n", c.fault), Outcome::kDone) << c.what;
    EXPECT_EQ(Count("Session.Logoff()"), 1) << c.what;
    EXPECT_TRUE(trace_.str().starts_with(c.trace)) << c.what << ": " << trace_.str();
    EXPECT_TRUE(companion_->shown().empty()) << c.what;
  }
}

TEST_F(TourTest, ClosingASlideEndsThroughTheProgramEndWithoutTheCompanion) {
  // The end of the input closes the window on the first slide, then on the
  // second; the session is held until then.
  for (const char* answers : {"", "n\n"}) {
    EXPECT_EQ(Run(answers), Outcome::kDone) << answers;
    const std::vector<std::string>& calls = platform_->log().calls();
    const auto run = std::find(calls.begin(), calls.end(), "Slides.RunSlides()");
    const auto logoff = std::find(calls.begin(), calls.end(), "Session.Logoff()");
    EXPECT_LT(run, logoff) << answers;
    EXPECT_EQ(std::find(calls.begin(), run, "Release(Session)"), run) << answers;
    EXPECT_EQ(Count("Create(Quillet.connect)"), 0) << answers;
    EXPECT_EQ(form_->objSession.IsNothing(), true) << answers;
  }
}

}  // namespace
}  // namespace app
