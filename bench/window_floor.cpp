// window_floor: the least Qt program that shows the windows a benchmark
// waits for, the floor of the program's time to show them.
//   window_floor slide PICTURE  the tour's first slide: a fixed 662 x 457
//                               window "Quorvia Overview" with its picture,
//                               a word-wrapped label and a Next button; ends
//                               with status 0 when the window is closed
//   window_floor notes N        N sticky-note windows of 240 x 200, each a
//                               plain-text editor "Alert i"; runs until it
//                               is ended by a signal, as the inspector does
#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

// The tour's first slide, its sizes in pixels.
int ShowSlide(QApplication& application, const char* picture_file) {
  QWidget window;
  window.setWindowTitle(QStringLiteral("Quorvia Overview"));
  window.setFixedSize(662, 457);
  auto* picture = new QLabel(&window);
  picture->setPixmap(QPixmap(QString::fromLocal8Bit(picture_file)));
  picture->setGeometry(0, 0, 656, 408);
  auto* label = new QLabel(QStringLiteral("Quorvia adds a toolbar to your Outlook window. You can perform almost all "
                                          "Quorvia functions from this toolbar.     Click Next to continue."),
                           &window);
  label->setWordWrap(true);
  label->setGeometry(16, 416, 561, 33);
  auto* next = new QPushButton(QStringLiteral("Next"), &window);
  next->setGeometry(592, 416, 57, 25);
  window.show();
  return application.exec();
}

int ShowNotes(QApplication& application, int count) {
  std::vector<std::unique_ptr<QPlainTextEdit>> notes;
  for (int i = 0; i < count; ++i) {
    auto note = std::make_unique<QPlainTextEdit>();
    note->setStyleSheet(QStringLiteral("QPlainTextEdit { background: #fff8a0; color: black; }"));
    note->setPlainText(QStringLiteral("Alert %1\nfor the account").arg(i));
    note->setWindowTitle(QStringLiteral("Alert %1").arg(i));
    note->resize(240, 200);
    note->show();
    notes.push_back(std::move(note));
  }
  application.setQuitOnLastWindowClosed(false);
  return application.exec();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const std::string mode = argc == 3 ? argv[1] : "";
  if (mode == "slide") return ShowSlide(application, argv[2]);
  if (mode == "notes") return ShowNotes(application, std::atoi(argv[2]));
  std::cerr << "usage: window_floor slide PICTURE | notes N\n";
  return 2;
}
