#include "host/desktop/qt_message_box.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "host/desktop/qt_application.h"
#include "host/testing/message_box_printer.h"

namespace desktop {
namespace {

using host::MsgBoxButtons;
using host::MsgBoxIcon;
using host::MsgBoxResult;

// What the test saw of the box while it was up.
struct SeenBox {
  bool found = false;
  std::string text;
  std::string title;
  int buttons = 0;
  int default_button = 0;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  Qt::TextFormat format = Qt::AutoText;
};

void Click(QMessageBox& box, QMessageBox::StandardButton which) {
  QAbstractButton* button = box.button(which);
  if (button == nullptr) {
    ADD_FAILURE() << "the box has no button " << which;
    box.close();
    return;
  }
  button->click();
}

void Press(QMessageBox& box, Qt::Key key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(&box, &press);
}

// Something the user does to a box that is up.
struct Action {
  const char* name;
  void (*act)(QMessageBox& box);
};

const Action kClickOk{"click OK", [](QMessageBox& box) { Click(box, QMessageBox::Ok); }};
const Action kClickYes{"click Yes", [](QMessageBox& box) { Click(box, QMessageBox::Yes); }};
const Action kClickNo{"click No", [](QMessageBox& box) { Click(box, QMessageBox::No); }};
const Action kEscape{"press Escape", [](QMessageBox& box) { Press(box, Qt::Key_Escape); }};
const Action kReturn{"press Return", [](QMessageBox& box) { Press(box, Qt::Key_Return); }};
const Action kClose{"close the window", [](QMessageBox& box) { box.close(); }};

class QtMessageBoxTest : public ::testing::Test {
 protected:
  void SetUp() override { EnsureQtApplication(); }

  // Shows a box; once it is up, records it into seen_ and does `action` to it.
  MsgBoxResult ShowAndDo(const Action& action, const std::string& text, MsgBoxButtons buttons,
                         MsgBoxIcon icon = MsgBoxIcon::kNone,
                         const std::optional<std::string>& title = std::nullopt) {
    seen_ = SeenBox{};
    QTimer::singleShot(0, [this, action] { Answer(action); });
    return box_.Show(text, buttons, icon, title);
  }

  SeenBox seen_;

 private:
  void Answer(const Action& action) {
    auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (shown == nullptr) {
      ADD_FAILURE() << "no modal message box is up";
      // Whatever did show must not wait for a click.
      for (QWidget* widget : QApplication::topLevelWidgets()) widget->close();
      return;
    }
    seen_ = {true,
             shown->text().toStdString(),
             shown->windowTitle().toStdString(),
             static_cast<int>(shown->standardButtons()),
             static_cast<int>(shown->standardButton(shown->defaultButton())),
             shown->icon(),
             shown->textFormat()};
    action.act(*shown);
  }

  QtMessageBox box_;
};

TEST_F(QtMessageBoxTest, ShowsTextTitleIconAndButtons) {
  struct Case {
    std::string text;
    MsgBoxButtons buttons;
    MsgBoxIcon icon;
    std::optional<std::string> title;
    std::string shown_text;
    std::string shown_title;
    int shown_buttons;
    QMessageBox::Icon shown_icon;
  };
  const int ok = QMessageBox::Ok;
  const int yes_no = QMessageBox::Yes | QMessageBox::No;
  const Case cases[] = {
      {"Done", MsgBoxButtons::kOkOnly, MsgBoxIcon::kNone, std::nullopt, "Done",
       "QuorviaUtilities", ok, QMessageBox::NoIcon},
      {"Line1\rLine2\r", MsgBoxButtons::kYesNo, MsgBoxIcon::kCritical, "Delete", "Line1\nLine2\n",
       "Delete", yes_no, QMessageBox::Critical},
      {"<b>Müller</b> & Söhne", MsgBoxButtons::kOkOnly, MsgBoxIcon::kNone, "Zürich",
       "<b>Müller</b> & Söhne", "Zürich", ok, QMessageBox::NoIcon},
  };
  for (const Case& c : cases) {
    const Action& close = c.buttons == MsgBoxButtons::kOkOnly ? kClickOk : kClickNo;
    ShowAndDo(close, c.text, c.buttons, c.icon, c.title);
    const std::string context =
        "text \"" + c.text + "\" title \"" + c.title.value_or("(none)") + "\"";
    ASSERT_TRUE(seen_.found) << context;
    EXPECT_EQ(seen_.text, c.shown_text) << context;
    EXPECT_EQ(seen_.title, c.shown_title) << context;
    EXPECT_EQ(seen_.buttons, c.shown_buttons) << context;
    EXPECT_EQ(seen_.icon, c.shown_icon) << context;
    EXPECT_EQ(seen_.format, Qt::PlainText) << context;
    if (c.buttons == MsgBoxButtons::kYesNo) {
      EXPECT_EQ(seen_.default_button, QMessageBox::No) << context;
    }
  }
}

TEST_F(QtMessageBoxTest, AnswersWhatTheUserDid) {
  struct Case {
    MsgBoxButtons buttons;
    Action action;
    MsgBoxResult expected;
  };
  const Case cases[] = {
      {MsgBoxButtons::kOkOnly, kEscape, MsgBoxResult::kOk},
      {MsgBoxButtons::kYesNo, kClickYes, MsgBoxResult::kYes},
      {MsgBoxButtons::kYesNo, kClickNo, MsgBoxResult::kNo},
      {MsgBoxButtons::kYesNo, kReturn, MsgBoxResult::kNo},
      {MsgBoxButtons::kYesNo, kEscape, MsgBoxResult::kNo},
      {MsgBoxButtons::kYesNo, kClose, MsgBoxResult::kNo},
  };
  for (const Case& c : cases) {
    const bool yes_no = c.buttons == MsgBoxButtons::kYesNo;
    EXPECT_EQ(ShowAndDo(c.action, "Delete A100?", c.buttons), c.expected)
        << (yes_no ? "Yes/No" : "OK") << " box, " << c.action.name;
    EXPECT_TRUE(seen_.found) << c.action.name;
  }
}

}  // namespace
}  // namespace desktop
