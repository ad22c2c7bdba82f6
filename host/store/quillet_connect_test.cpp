#include "host/store/quillet_connect.h"

#include <gmock/gmock.h>

#include <filesystem>
#include <string>

#include "host/store/test_store.h"
#include "host/testing/scripted_desktop.h"

namespace store {
namespace {

// Runs FindFolder on the store at `path` and yields the one answer shown.
std::string Answer(const std::string& path) {
  host::testing::ScriptedMessageBox answers;
  MakeQuilletConnect(path, answers)->FindFolder();
  EXPECT_THAT(answers.shown(), ::testing::ElementsAre(::testing::FieldsAre(::testing::_, host::MsgBoxButtons::kOkOnly,
                                                                           ::testing::_, "Quillet")));
  return answers.shown().empty() ? "" : answers.shown()[0].text;
}

TEST(QuilletConnectTest, TellsWhereTheDatabaseFolderIsAndWhatItHoldsOrHowToMakeOne) {
  testing::TempDir dir;
  const std::string path = dir.File("crm.db"), empty = dir.File("empty.db"), inbox = dir.File("inbox.db");
  const std::string missing = dir.File("missing.db");
  testing::TestStore store(path);
  const auto profiles = store.AddFolder("Account Profiles");
  store.AddFolder("Kontakte – Zürich", profiles);
  store.AddFolder("Activities", profiles);
  store.AddFolder("Account Profiles 2");
  testing::TestStore(empty).AddFolder("Account Profiles");
  testing::TestStore(inbox).AddFolder("Inbox");
  const std::string found = "The Quorvia database is the folder \"Account Profiles\" in the CRM store ";
  EXPECT_EQ(Answer(path), found + path + ".\rIts folders: Kontakte – Zürich, Activities.");
  EXPECT_EQ(Answer(empty), found + empty + ".\rIt has no subfolders yet.");
  const std::string none = "No Quorvia database was found: ";
  EXPECT_THAT(Answer(missing), ::testing::AllOf(::testing::StartsWith(none),
                                                ::testing::HasSubstr("quorvia-store --store '" + missing + "' init")));
  EXPECT_FALSE(std::filesystem::exists(missing));
  EXPECT_TRUE(Answer(inbox).starts_with(none));
}

}  // namespace
}  // namespace store
