#include "inspector/item_windows.h"

#include <QCloseEvent>
#include <iostream>
#include <utility>

#include "host/error.h"

namespace inspector {
namespace {

// How long typing must pause before the text is saved.
constexpr int kSaveDelayMs = 400;
// How long after it is shown the window manager may still move the window
// on its own; later moves and resizes are the user's.
constexpr int kSettleMs = 1000;

bool OnlyBlanks(const QString& text) { return text.trimmed().isEmpty(); }

}  // namespace

QString ShownText(const std::string& stored) {
  QString text = QString::fromStdString(stored);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QChar('\r'), QChar('\n'));
  return text;
}

std::string StoredText(const QString& shown) {
  QString text = shown;
  text.replace(QChar('\n'), QStringLiteral("\r\n"));
  return text.toStdString();
}

QString FirstLine(const QString& text) { return text.section(QChar('\n'), 0, 0); }

NoteWindow::NoteWindow(ItemAccess& access, ItemContents contents, std::string folder_entry_id,
                       std::function<void(const std::string&)> stored)
    : access_(access),
      contents_(std::move(contents)),
      folder_entry_id_(std::move(folder_entry_id)),
      stored_(std::move(stored)),
      saved_body_(contents_.body) {
  setAttribute(Qt::WA_DeleteOnClose);
  setStyleSheet(QStringLiteral("QPlainTextEdit { background: #fff8a0; color: black; }"));
  setPlainText(ShownText(contents_.body));
  setWindowTitle(FirstLine(toPlainText()));
  if (contents_.layout) {
    setGeometry(contents_.layout->x, contents_.layout->y, contents_.layout->width, contents_.layout->height);
  } else {
    resize(kDefaultNoteWidth, kDefaultNoteHeight);
  }
  debounce_.setSingleShot(true);
  debounce_.setInterval(kSaveDelayMs);
  QObject::connect(&debounce_, &QTimer::timeout, [this] { SaveNow(); });
  QObject::connect(this, &QPlainTextEdit::textChanged, [this] {
    setWindowTitle(FirstLine(toPlainText()));
    debounce_.start();
  });
}

void NoteWindow::SaveNow() {
  debounce_.stop();
  try {
    Save();
  } catch (const host::Error& error) {
    std::cerr << "quorvia-inspector: the note could not be saved: " << error.description() << '\n';
  }
}

void NoteWindow::Save() {
  const QString text = toPlainText();
  const std::string body = StoredText(text);
  if (contents_.entry_id.empty()) {
    if (OnlyBlanks(text)) return;  // a new note without text is not kept
    contents_.entry_id = access_.Create(folder_entry_id_, contents_.message_class, contents_.properties, body);
    saved_body_ = body;
    stored_(contents_.entry_id);
    if (!layout_changed_) return;
  }
  if (body == saved_body_ && !layout_changed_) return;
  std::optional<NoteLayout> layout;
  if (layout_changed_) layout = NoteLayout{width(), height(), geometry().x(), geometry().y()};
  access_.Save(contents_.entry_id, body, layout);
  saved_body_ = body;
  layout_changed_ = false;
}

void NoteWindow::closeEvent(QCloseEvent* event) {
  SaveNow();
  event->accept();
}

void NoteWindow::showEvent(QShowEvent* event) {
  QPlainTextEdit::showEvent(event);
  QTimer::singleShot(kSettleMs, this, [this] { settled_ = true; });
}

void NoteWindow::moveEvent(QMoveEvent* event) {
  QPlainTextEdit::moveEvent(event);
  if (settled_) {
    layout_changed_ = true;
    debounce_.start();
  }
}

void NoteWindow::resizeEvent(QResizeEvent* event) {
  QPlainTextEdit::resizeEvent(event);
  if (settled_) {
    layout_changed_ = true;
    debounce_.start();
  }
}

ItemWindow::ItemWindow(const ItemContents& contents) {
  setAttribute(Qt::WA_DeleteOnClose);
  setReadOnly(true);
  QString text = QStringLiteral("Subject: %1\nClass: %2\n")
                     .arg(QString::fromStdString(contents.subject), QString::fromStdString(contents.message_class));
  for (const auto& [name, value] : contents.properties) {
    text += QStringLiteral("%1: %2\n").arg(QString::fromStdString(name), QString::fromStdString(value));
  }
  text += QChar('\n') + ShownText(contents.body);
  setPlainText(text);
  setWindowTitle(QString::fromStdString(contents.subject));
  resize(480, 360);
}

}  // namespace inspector
