#include "host/desktop/qt_message_box.h"

#include <QMessageBox>
#include <QString>

#include "host/desktop/qt_application.h"

namespace desktop {

host::MsgBoxResult QtMessageBox::Show(const std::string& text, host::MsgBoxButtons buttons,
                                      host::MsgBoxIcon icon,
                                      const std::optional<std::string>& title) {
  EnsureQtApplication();
  QMessageBox box;
  box.setWindowModality(Qt::ApplicationModal);
  box.setWindowTitle(QString::fromStdString(title.value_or(host::kApplicationTitle)));
  // Plain text, so that a name like "<b>" shows as typed rather than as markup.
  box.setTextFormat(Qt::PlainText);
  box.setText(QString::fromStdString(text).replace(QChar('\r'), QChar('\n')));
  box.setIcon(icon == host::MsgBoxIcon::kCritical ? QMessageBox::Critical
                                                  : QMessageBox::NoIcon);
  if (buttons == host::MsgBoxButtons::kOkOnly) {
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return host::MsgBoxResult::kOk;
  }
  box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
  // Yes/No boxes confirm deletions: only a deliberate Yes may confirm.
  box.setDefaultButton(QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  box.exec();
  return box.clickedButton() == box.button(QMessageBox::Yes) ? host::MsgBoxResult::kYes
                                                              : host::MsgBoxResult::kNo;
}

}  // namespace desktop
