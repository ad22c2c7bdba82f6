#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <memory>
#include <string>

#include "host/desktop/qt_application.h"
#include "host/error.h"
#include "host/store/test_store.h"
#include "inspector/inspector_server.h"
#include "inspector/item_windows.h"

namespace inspector {
namespace {

using store::testing::TestStore;

const std::string kLayout = "{0E20060000000000C000000000000046}0x8B0";

class InspectorTest : public ::testing::Test {
 protected:
  InspectorTest() {
    desktop::EnsureQtApplication();
    profiles_ = store_.AddFolder("Account Profiles");
    alerts_ = store_.AddFolder("Alerts", profiles_, "IPM.StickyNote");
  }
  ~InspectorTest() override {
    for (QWidget* window : QApplication::topLevelWidgets()) delete window;
  }

  // The inspector's own top-level windows that are shown.
  static int ShownWindows() {
    int shown = 0;
    for (QWidget* window : QApplication::topLevelWidgets()) shown += window->isVisible() ? 1 : 0;
    return shown;
  }

  store::testing::TempDir dir_;
  std::string path_ = dir_.File("crm.db");
  TestStore store_{path_};
  std::int64_t profiles_ = 0;
  std::int64_t alerts_ = 0;
};

TEST_F(InspectorTest, SavingANoteWritesOnlyItsBodyAndLayoutNeverOtherFields) {
  const auto note = store_.AddItem(alerts_, "IPM.StickyNote", {{"AccountID", "K1"}, {"Team", "North"}});
  ItemAccess access(path_);
  const ItemContents read = access.Read(TestStore::EntryId(note));
  EXPECT_EQ(read.message_class, "IPM.StickyNote");
  EXPECT_FALSE(read.layout.has_value());
  store_.SetText(note, "Team", "South");  // changed by another program since
  access.Save(TestStore::EntryId(note), "Line one\r\nline two", std::nullopt);
  EXPECT_EQ(store_.Column(note, "body"), "Line one\r\nline two");
  EXPECT_EQ(store_.Text(note, "Team"), "South");
  EXPECT_EQ(store_.TypeOf(note, kLayout + "2"), "");

  access.Save(TestStore::EntryId(note), "moved", NoteLayout{300, 120, 40, 50});
  EXPECT_EQ(store_.TypeOf(note, kLayout + "2"), "integer");
  EXPECT_EQ(store_.Text(note, kLayout + "2"), "300");
  EXPECT_EQ(store_.Text(note, kLayout + "0"), "3");
  EXPECT_EQ(store_.Text(note, kLayout + "5"), "50");
  const auto layout = access.Read(TestStore::EntryId(note)).layout;
  ASSERT_TRUE(layout.has_value());
  EXPECT_EQ(layout->width, 300);
  EXPECT_EQ(layout->height, 120);
  EXPECT_EQ(layout->x, 40);
  EXPECT_EQ(layout->y, 50);
  EXPECT_THROW(access.Read("E999"), host::Error);
  // Each save is a run of its own in the journal, ended as done.
  EXPECT_EQ(store::testing::CountOf(store_.db(), "SELECT count(*) FROM runs WHERE status = 0 AND command = "
                                                 "'item window: save " + TestStore::EntryId(note) + "'"),
            2);
  EXPECT_EQ(store::testing::CountOf(store_.db(), "SELECT count(*) FROM changes WHERE json_extract(before, "
                                                 "'$.columns.body') = 'Line one' || char(13, 10) || 'line two'"),
            1);
}

TEST_F(InspectorTest, NewNoteIsStoredWithItsPropertiesOnlyOnceItHasText) {
  ItemAccess access(path_);
  ItemContents contents;
  contents.message_class = "IPM.StickyNote";
  contents.properties = {{"AccountID", "K'1"}, {"Account Name", "Zo\xc3\xab"}, {"Team", ""}};
  std::string stored_as;
  auto* note = new NoteWindow(access, contents, TestStore::FolderEntryId(alerts_),
                              [&](const std::string& entry_id) { stored_as = entry_id; });
  note->setPlainText("   \n");
  note->SaveNow();
  EXPECT_EQ(store_.ItemCount(alerts_), 0) << "blanks are no text";
  note->setPlainText("Call Zo\xc3\xab\nin May");
  EXPECT_EQ(note->windowTitle().toStdString(), "Call Zo\xc3\xab");
  note->SaveNow();
  ASSERT_EQ(store_.ItemCount(alerts_), 1);
  const auto id = store_.IdOf(stored_as);
  EXPECT_EQ(store_.Column(id, "body"), "Call Zo\xc3\xab\r\nin May");
  EXPECT_EQ(store_.Text(id, "AccountID"), "K'1");
  EXPECT_EQ(store_.Text(id, "Team"), "");
  note->setPlainText("Done");
  note->close();
  EXPECT_EQ(store_.Column(id, "body"), "Done");
  EXPECT_EQ(store_.ItemCount(alerts_), 1);
}

TEST_F(InspectorTest, ServerOpensEachItemOnceAndRaisesItAfterwards) {
  const auto laid_out = store_.AddItem(alerts_, "IPM.StickyNote", {{"AccountID", "K1"}});
  ItemAccess(path_).Save(TestStore::EntryId(laid_out), "Note\r\ntext", NoteLayout{200, 166, 90, 90});
  const auto post = store_.AddItem(profiles_, "IPM.Post", {{"AccountID", "K1"}}, "Acme Inc");
  InspectorServer server;
  const QString path = QString::fromStdString(path_);
  EXPECT_EQ(server.Handle({"open", path, QString::fromStdString(TestStore::EntryId(laid_out))}), "ok");
  EXPECT_EQ(server.Handle({"open", path, QString::fromStdString(TestStore::EntryId(laid_out))}), "ok");
  EXPECT_EQ(ShownWindows(), 1);
  auto* note = dynamic_cast<NoteWindow*>(QApplication::topLevelWidgets().value(0));
  ASSERT_NE(note, nullptr);
  EXPECT_EQ(note->geometry(), QRect(90, 90, 200, 166));
  EXPECT_EQ(note->windowTitle(), "Note");
  EXPECT_FALSE(note->isReadOnly());

  EXPECT_EQ(server.Handle({"open", path, QString::fromStdString(TestStore::EntryId(post))}), "ok");
  EXPECT_EQ(ShownWindows(), 2);
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (auto* item = dynamic_cast<ItemWindow*>(window)) {
      EXPECT_TRUE(item->isReadOnly());
      EXPECT_EQ(item->windowTitle(), "Acme Inc");
      EXPECT_TRUE(item->toPlainText().contains("AccountID: K1"));
    }
  }
  EXPECT_NE(server.Handle({"open", path, "E999"}), "ok");
  EXPECT_NE(server.Handle({"bogus"}), "ok");
  EXPECT_EQ(ShownWindows(), 2);
}

}  // namespace
}  // namespace inspector
