#include "host/desktop/qt_slides.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "accounts/account_test_fixture.h"
#include "host/desktop/qt_application.h"
#include "host/desktop/qt_message_box.h"
#include "tour/slide_forms.h"

// The slides as Qt windows on the offscreen platform.
namespace desktop {
namespace {

// What the form's twips come to in pixels; its texts are the form's own.
struct ExpectedSlide {
  const host::SlideForm& form;
  QSize client;
  std::vector<const char*> tab_order;
};

// The names of the window's controls along its focus chain.
std::vector<std::string> FocusChain(QWidget& window) {
  std::vector<std::string> names;
  for (QWidget* w = window.nextInFocusChain(); w != &window; w = w->nextInFocusChain()) {
    if (!w->objectName().startsWith("Image")) names.push_back(w->objectName().toStdString());
  }
  return names;
}

TEST(QtSlidesTest, EachSlideHasItsSizeTextsAndTabOrder) {
  QtSlides slides;
  const ExpectedSlide expected_slides[] = {
      {tour::OverviewForm(), {662, 457}, {"Next1", "Label1"}},
      {tour::Overview1Form(), {504, 511}, {"Label1", "Label2", "Label3", "Command1", "Command2"}}};
  for (const ExpectedSlide& expected : expected_slides) {
    const auto slide = slides.CreateSlide(expected.form, {});
    QWidget& window = QtSlides::WindowOf(*slide);
    const std::string name = expected.form.caption;
    EXPECT_EQ(window.windowTitle().toStdString(), name);
    EXPECT_EQ(window.size(), expected.client) << name;
    for (const host::SlideControl& control : expected.form.controls) {
      const std::string where = name + " " + control.name;
      auto* widget = window.findChild<QWidget*>(QString::fromStdString(control.name));
      auto* button = qobject_cast<QPushButton*>(widget);
      auto* label = qobject_cast<QLabel*>(widget);
      ASSERT_EQ(button != nullptr, control.kind == host::SlideControl::Kind::kButton) << where;
      if (button != nullptr) {
        EXPECT_EQ(button->text().toStdString(), control.content) << where;
      } else if (control.kind == host::SlideControl::Kind::kLabel) {
        ASSERT_NE(label, nullptr) << where;
        EXPECT_EQ(label->text().toStdString(), control.content) << where;
        EXPECT_TRUE(label->wordWrap()) << where;
      } else {
        ASSERT_NE(label, nullptr) << where;
        EXPECT_FALSE(label->pixmap().isNull()) << where;
      }
    }
    EXPECT_EQ(FocusChain(window), std::vector<std::string>(expected.tab_order.begin(), expected.tab_order.end()))
        << name;
  }
}

// The tour in Qt windows through the main form, the user's actions queued
// on the event loop.
class QtTourTest : public accounts::AccountTest {
 protected:
  app::Outcome RunHelp() {
    desktop_hook_ = [](host::Desktop& desktop) {
      desktop.slides = std::make_unique<QtSlides>();
      desktop.companion_answers = std::make_unique<QtMessageBox>();
    };
    EnsureQtApplication();
    QTimer::singleShot(0, [this] { Next(0); });
    const app::Outcome outcome = Run("Help");
    actions_.clear();
    return outcome;
  }

  // Queues the user's next action on the shown slide of that caption.
  void Then(const char* caption, std::function<void(QWidget&)> action) {
    actions_.push_back({caption, std::move(action)});
  }
 private:
  // Does action `index`, then queues the one after it: each finds the
  // window that the one before left shown.
  void Next(std::size_t index) {
    if (index >= actions_.size()) return;
    if (index + 1 < actions_.size()) QTimer::singleShot(0, [this, index] { Next(index + 1); });
    const auto& [caption, action] = actions_[index];
    std::vector<QWidget*> shown;
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (window->isVisible() && window->windowTitle() == caption) shown.push_back(window);
    }
    ASSERT_EQ(shown.size(), 1u) << "shown slides titled \"" << caption << "\"";
    action(*shown[0]);
  }

  std::vector<std::pair<const char*, std::function<void(QWidget&)>>> actions_;
};

TEST_F(QtTourTest, NextBackNextShowsTheSameWindowsAndFinishEndsTheProgram) {
  QWidget* second = nullptr;
  // Enter on the focused button; a button that ignores it is clicked so the
  // tour goes on to its end.
  Then("Quorvia Overview", [](QWidget& window) {
    auto* next = window.findChild<QPushButton*>("Next1");
    next->setFocus();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(next, &press);
    if (!press.isAccepted()) {
      ADD_FAILURE() << "Enter did not press Next1";
      next->click();
    }
  });
  Then("Menu Items", [&second](QWidget& window) {
    second = &window;
    window.findChild<QPushButton*>("Command1")->click();
  });
  Then("Quorvia Overview", [](QWidget& window) { window.findChild<QPushButton*>("Next1")->click(); });
  Then("Menu Items", [&second](QWidget& window) {
    EXPECT_EQ(&window, second) << "a second window was made";
    window.findChild<QPushButton*>("Command2")->click();
  });
  // The companion add-in's answer, while the slides are hidden.
  bool answered = false;
  Then("Quillet", [&](QWidget& window) {
    auto* box = qobject_cast<QMessageBox*>(&window);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().startsWith("The Quorvia database is the folder")) << box->text().toStdString();
    EXPECT_FALSE(second->isVisible());
    EXPECT_EQ(Count("Session.Logoff()"), 0) << "the program ended before the answer was read";
    answered = true;
    box->button(QMessageBox::Ok)->click();
  });
  EXPECT_EQ(RunHelp(), app::Outcome::kDone);
  EXPECT_TRUE(answered);
  EXPECT_EQ(Count(R"(Slides.CreateSlide("Overview1"))"), 1);
  EXPECT_EQ(Count("Overview1.Show()"), 2);
  EXPECT_EQ(Count("Quillet.FindFolder()"), 1);
  EXPECT_EQ(Count("Session.Logoff()"), 1);
  EXPECT_TRUE(form_->objSession.IsNothing());
}

}  // namespace
}  // namespace desktop
