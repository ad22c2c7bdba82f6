#include <gmock/gmock.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "host/desktop/display_variable.h"
#include "host/desktop/item_window_socket.h"
#include "host/desktop/process_item_windows.h"
#include "host/desktop/qt_application.h"
#include "host/error.h"
#include "host/store/test_store.h"
#include "inspector/inspector_server.h"
#include "inspector/item_windows.h"
#include "tests/e2e/child_process.h"

namespace inspector {
namespace {

using store::testing::TestStore;

const std::string kLayout = "{0E20060000000000C000000000000046}0x8B0";

// The user that a second user's programs run as in these tests.
constexpr uid_t kOtherUser = 65534;

// A stored item as Display hands it on.
class StoredItem : public host::DisplayedItem {
 public:
  std::string MessageClass() override { return "IPM.StickyNote"; }
  std::string EntryID() override { return "E1"; }
  std::string Body() override { return ""; }
  std::string FolderEntryID() override { return "F1"; }
  std::vector<std::pair<std::string, std::string>> TextProperties() override { return {}; }
  void StoreBody(const std::string& /*body*/) override {}
};

// Binds `fd` to the socket file `path`; 0 when it is bound.
int BindAt(int fd, const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  return bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
}

// Another user's process listening at `path`, as one who bound that name
// first would. The socket file is this process's (the name is bound before
// the process changes user), so only the check of the process at the other
// end can refuse it; this process shares the listening socket, so it can
// take the connection made to it and read what was sent.
struct Impostor {
  int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  pid_t pid = -1;

  explicit Impostor(const std::string& path) {
    int ready[2];
    if (BindAt(listener, path) != 0 || pipe(ready) != 0) return;
    pid = fork();
    if (pid == 0) {
      // Listening as the other user makes it the one the socket reports.
      if (setgid(kOtherUser) != 0 || setuid(kOtherUser) != 0 || listen(listener, 4) != 0) _exit(1);
      if (write(ready[1], "r", 1) == 1) pause();
      _exit(1);
    }
    close(ready[1]);
    char byte = 0;
    if (read(ready[0], &byte, 1) != 1) ADD_FAILURE() << "the other user's process does not listen";
    close(ready[0]);
  }
  ~Impostor() {
    if (pid > 0 && kill(pid, SIGKILL) == 0) waitpid(pid, nullptr, 0);
    close(listener);
  }
  // The bytes sent on a connection made to it; 0 without one.
  ssize_t Received() const {
    const int connection = accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    char buffer[4096];
    const ssize_t got = recv(connection, buffer, sizeof buffer, MSG_DONTWAIT);
    close(connection);
    return std::max<ssize_t>(got, 0);
  }
};

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
  static qsizetype ShownWindows() {
    return std::ranges::count_if(QApplication::topLevelWidgets(), [](QWidget* window) { return window->isVisible(); });
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
  // Width, height, x and y.
  EXPECT_THAT(access.Read(TestStore::EntryId(note)).layout,
              ::testing::Optional(::testing::FieldsAre(300, 120, 40, 50)));
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
  // A note's class is told in any letter case.
  const auto laid_out = store_.AddItem(alerts_, "IPM.Stickynote", {{"AccountID", "K1"}});
  ItemAccess(path_).Save(TestStore::EntryId(laid_out), "Note\r\ntext", NoteLayout{200, 166, 90, 90});
  const auto post = store_.AddItem(profiles_, "IPM.Post", {{"AccountID", "K1"}}, "Acme Inc");
  InspectorServer server;
  const QString path = QString::fromStdString(path_);
  for (int time = 0; time < 2; ++time) {
    EXPECT_EQ(server.Handle({"open", path, QString::fromStdString(TestStore::EntryId(laid_out))}), "ok") << time;
  }
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

// The inspector started for the item cannot find it in the store: the item
// is not shown, and its refusal, in its words, fails the display.
TEST_F(InspectorTest, TheInspectorsRefusalFailsTheDisplay) {
  desktop::testing::ScopedVariable runtime("XDG_RUNTIME_DIR", dir_.File(""));
  StoredItem missing;
  desktop::InspectorItemWindows windows(path_, e2e::BuiltProgram("quorvia-inspector"), geteuid());
  EXPECT_EQ(store::testing::ThrownError([&] { windows.Display(missing); }).description(),
            "no item with entry identifier \"E1\" in the CRM store " + path_);
}

TEST_F(InspectorTest, TheSocketLivesInAFolderOfItsUsersAlone) {
  const std::string shared = dir_.File("shared");
  std::filesystem::create_directory(shared);
  // Open to others but not to the group, which a check of the group alone misses.
  std::filesystem::permissions(shared, std::filesystem::perms::owner_all | std::filesystem::perms::others_all);
  // XDG_RUNTIME_DIR (unset when none), and the folder of the socket or a part of the refusal.
  const std::pair<std::optional<std::string>, std::string> cases[] = {
      {dir_.File(""), dir_.File("")},  {std::nullopt, dir_.File("state/quorvia/sockets/")},
      {shared, "is not this user's alone"},
  };
  for (const auto& [runtime_dir, folder] : cases) {
    desktop::testing::ScopedVariable state("XDG_STATE_HOME", dir_.File("state"));
    desktop::testing::ScopedVariable runtime("XDG_RUNTIME_DIR", runtime_dir.value_or(""));
    if (!runtime_dir) unsetenv("XDG_RUNTIME_DIR");
    const bool refused = runtime_dir == shared;
    try {
      const std::string path = desktop::InspectorSocketPath();
      EXPECT_FALSE(refused) << path;
      EXPECT_TRUE(path.starts_with(folder + "quorvia-inspector-")) << path;
      EXPECT_EQ(store::testing::FileMode(std::filesystem::path(path).parent_path()), 0700) << path;
    } catch (const host::Error& error) {
      EXPECT_TRUE(refused) << error.description();
      EXPECT_NE(error.description().find(folder), std::string::npos) << error.description();
    }
  }
}

TEST_F(InspectorTest, NeitherEndOfTheSocketExchangesAByteWithAnotherUsersProgram) {
  desktop::testing::ScopedVariable runtime("XDG_RUNTIME_DIR", dir_.File(""));
  const std::string path = desktop::InspectorSocketPath();
  // As root the other user is real; otherwise the user expected is not this one.
  const bool root = geteuid() == 0;
  const uid_t owner = root ? geteuid() : geteuid() + 1;
  // What another user leaves at the socket's path, and the words of its refusal.
  const std::pair<std::string, std::string> cases[] = {
      {"another user's process answers", root ? "runs as user 65534, not as user 0" : "belongs to user"},
      {"another user's socket file", "belongs to user"},
      {"a plain file", root ? "is not a socket" : "belongs to user"},
  };
  for (const auto& [what, refusal] : cases) {
    unlink(path.c_str());
    std::optional<Impostor> impostor;
    const int planted = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (what == "another user's socket file") {
      ASSERT_EQ(BindAt(planted, path), 0);
      listen(planted, 1);
      ASSERT_TRUE(!root || chown(path.c_str(), kOtherUser, kOtherUser) == 0);
    } else if (root && what == "another user's process answers") {
      impostor.emplace(path);
    } else {
      store::testing::WriteFile(path, "");
    }
    StoredItem item;
    desktop::InspectorItemWindows windows(path_, "/bin/false", owner);
    EXPECT_THAT([&] { windows.Display(item); }, ::testing::ThrowsMessage<host::Error>(::testing::HasSubstr(refusal)))
        << what;
    EXPECT_EQ(impostor ? impostor->Received() : 0, 0) << what;
    close(planted);
  }

  // The inspector serves its own user's programs alone: another's is cut off unanswered.
  unlink(path.c_str());
  InspectorServer server(geteuid() + 1);
  ASSERT_TRUE(server.Listen(path));
  QLocalSocket client;
  client.connectToServer(QString::fromStdString(path));
  ASSERT_TRUE(client.waitForConnected(5000));
  const auto note = store_.AddItem(alerts_, "IPM.StickyNote", {{"AccountID", "K1"}});
  client.write(desktop::FrameMessage({"open", QString::fromStdString(path_), QString::fromStdString(TestStore::EntryId(note))}));
  client.flush();
  QElapsedTimer waited;
  waited.start();
  while (client.state() == QLocalSocket::ConnectedState && waited.elapsed() < 5000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  EXPECT_EQ(client.state(), QLocalSocket::UnconnectedState);
  EXPECT_EQ(client.readAll(), QByteArray());
  EXPECT_EQ(ShownWindows(), 0);
}

}  // namespace
}  // namespace inspector
