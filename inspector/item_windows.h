#pragma once

#include <QPlainTextEdit>
#include <QRect>
#include <QTimer>
#include <functional>
#include <optional>
#include <string>

#include "inspector/note_item.h"

namespace inspector {

// The size a note opens at when it has no layout of its own.
inline constexpr int kDefaultNoteWidth = 240;
inline constexpr int kDefaultNoteHeight = 200;

// A sticky note: yellow, editable, titled by its first line. Its text is
// saved a moment after the user stops typing and when the window closes,
// each save one transaction of the body (and, once the user has moved or
// resized the note, its layout). A new note is stored by its first save
// with text; closed empty, it is discarded.
class NoteWindow : public QPlainTextEdit {
 public:
  // `access` must outlive the window; `stored` is told the entry identifier
  // when a new note has been stored.
  NoteWindow(ItemAccess& access, ItemContents contents, std::string folder_entry_id,
             std::function<void(const std::string&)> stored);

  // Saves now what has not been saved; failures go to standard error.
  void SaveNow();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void Save();

  ItemAccess& access_;
  ItemContents contents_;
  std::string folder_entry_id_;
  std::function<void(const std::string&)> stored_;
  QTimer debounce_;
  std::string saved_body_;
  bool settled_ = false;        // the window manager has placed the window
  bool layout_changed_ = false;  // the user moved or resized it since
};

// Any other item, read-only: subject, class, properties, then the body.
class ItemWindow : public QPlainTextEdit {
 public:
  explicit ItemWindow(const ItemContents& contents);
};

// The text as the window shows it (newlines) and as the store keeps it (CR LF).
QString ShownText(const std::string& stored);
std::string StoredText(const QString& shown);
// The first line of a note's text, its window title.
QString FirstLine(const QString& text);

}  // namespace inspector
