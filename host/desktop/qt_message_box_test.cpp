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

// What the test saw of the box while it was up; the default button only of
// a Yes/No box.
struct SeenBox {
  std::string text;
  std::string title;
  int buttons = 0;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  int default_button = 0;
  Qt::TextFormat format = Qt::PlainText;
  bool operator==(const SeenBox&) const = default;
};

void PrintTo(const SeenBox& box, std::ostream* out) {
  *out << "title \"" << box.title << "\" text \"" << box.text << "\" buttons " << box.buttons << " icon " << box.icon
       << " default " << box.default_button << " format " << box.format;
}

// Something the user does to a box that is up.
using Action = std::function<void(QMessageBox&)>;

Action Click(QMessageBox::StandardButton which) {
  return [which](QMessageBox& box) {
    if (QAbstractButton* button = box.button(which)) return button->click();
    ADD_FAILURE() << "the box has no button " << which;
    box.close();
  };
}

Action Press(Qt::Key key) {
  return [key](QMessageBox& box) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&box, &press);
  };
}

// Shows a box; once it is up, records it into `seen` and does `action` to it.
MsgBoxResult ShowAndDo(const Action& action, std::optional<SeenBox>& seen, const std::string& text,
                       MsgBoxButtons buttons, MsgBoxIcon icon, const std::optional<std::string>& title) {
  EnsureQtApplication();
  QTimer::singleShot(0, [&] {
    auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (shown == nullptr) {
      // Whatever did show must not wait for a click.
      for (QWidget* widget : QApplication::topLevelWidgets()) widget->close();
      return;
    }
    const bool yes_no = shown->standardButtons() == (QMessageBox::Yes | QMessageBox::No);
    seen = SeenBox{shown->text().toStdString(), shown->windowTitle().toStdString(),
                   static_cast<int>(shown->standardButtons()), shown->icon(),
                   yes_no ? static_cast<int>(shown->standardButton(shown->defaultButton())) : 0, shown->textFormat()};
    action(*shown);
  });
  return QtMessageBox().Show(text, buttons, icon, title);
}

TEST(QtMessageBoxTest, ShowsTheBoxAsAskedAndAnswersWhatTheUserDid) {
  const int ok = QMessageBox::Ok;
  const int yes_no = QMessageBox::Yes | QMessageBox::No;
  const int no = QMessageBox::No;
  const SeenBox question{"Delete A100?", "QuorviaUtilities", yes_no, QMessageBox::NoIcon, no};
  const struct {
    std::string text;
    MsgBoxButtons buttons;
    MsgBoxIcon icon;
    std::optional<std::string> title;
    const char* action_name;
    Action action;
    MsgBoxResult result;
    SeenBox seen;
  } cases[] = {
      {"Done", MsgBoxButtons::kOkOnly, MsgBoxIcon::kNone, std::nullopt, "press Escape", Press(Qt::Key_Escape),
       MsgBoxResult::kOk, {"Done", "QuorviaUtilities", ok}},
      {"<b>Müller</b> & Söhne", MsgBoxButtons::kOkOnly, MsgBoxIcon::kNone, "Zürich", "click OK",
       Click(QMessageBox::Ok), MsgBoxResult::kOk, {"<b>Müller</b> & Söhne", "Zürich", ok}},
      {"Line1\rLine2\r", MsgBoxButtons::kYesNo, MsgBoxIcon::kCritical, "Delete", "click Yes",
       Click(QMessageBox::Yes), MsgBoxResult::kYes, {"Line1\nLine2\n", "Delete", yes_no, QMessageBox::Critical, no}},
      {"Delete A100?", MsgBoxButtons::kYesNo, MsgBoxIcon::kNone, std::nullopt, "click No", Click(QMessageBox::No),
       MsgBoxResult::kNo, question},
      {"Delete A100?", MsgBoxButtons::kYesNo, MsgBoxIcon::kNone, std::nullopt, "press Return", Press(Qt::Key_Return),
       MsgBoxResult::kNo, question},
      {"Delete A100?", MsgBoxButtons::kYesNo, MsgBoxIcon::kNone, std::nullopt, "press Escape", Press(Qt::Key_Escape),
       MsgBoxResult::kNo, question},
      {"Delete A100?", MsgBoxButtons::kYesNo, MsgBoxIcon::kNone, std::nullopt, "close the window",
       [](QMessageBox& box) { box.close(); }, MsgBoxResult::kNo, question},
  };
  for (const auto& c : cases) {
    std::optional<SeenBox> seen;
    EXPECT_EQ(ShowAndDo(c.action, seen, c.text, c.buttons, c.icon, c.title), c.result)
        << c.text << ", " << c.action_name;
    EXPECT_EQ(seen, c.seen) << c.text << ", " << c.action_name;
  }
}

}  // namespace
}  // namespace desktop
