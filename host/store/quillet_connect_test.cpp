#include "host/store/quillet_connect.h"

#include <gtest/gtest.h>

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
  EXPECT_EQ(answers.shown().size(), 1u);
  if (answers.shown().empty()) return "";
  EXPECT_EQ(answers.shown()[0].title, "Quillet");
  EXPECT_EQ(answers.shown()[0].buttons, host::MsgBoxButtons::kOkOnly);
  return answers.shown()[0].text;
}

TEST(QuilletConnectTest, TellsWhereTheDatabaseFolderIsAndWhatItHolds) {
  testing::TempDir dir;
  const std::string path = dir.File("crm.db");
  testing::TestStore store(path);
  const auto profiles = store.AddFolder("Account Profiles");
  store.AddFolder("Kontakte – Zürich", profiles);
  store.AddFolder("Activities", profiles);
  store.AddFolder("Account Profiles 2");
  EXPECT_EQ(Answer(path), "The Quorvia database is the folder \"Account Profiles\" in the CRM store " +
                              path + ".\rIts folders: Kontakte – Zürich, Activities.");

  testing::TempDir empty_dir;
  const std::string empty_path = empty_dir.File("crm.db");
  testing::TestStore(empty_path).AddFolder("Account Profiles");
  EXPECT_EQ(Answer(empty_path), "The Quorvia database is the folder \"Account Profiles\" in the CRM store " +
                                    empty_path + ".\rIt has no subfolders yet.");
}

TEST(QuilletConnectTest, WithoutADatabaseTellsHowToMakeOneAndCreatesNothing) {
  testing::TempDir dir;
  const std::string missing = dir.File("crm.db");
  const std::string answer = Answer(missing);
  EXPECT_TRUE(answer.starts_with("No Quorvia database was found: ")) << answer;
  EXPECT_NE(answer.find("quorvia-store --store '" + missing + "' init"), std::string::npos) << answer;
  EXPECT_FALSE(std::filesystem::exists(missing));

  const std::string without_folder = dir.File("other.db");
  testing::TestStore(without_folder).AddFolder("Inbox");
  EXPECT_TRUE(Answer(without_folder).starts_with("No Quorvia database was found: "));
}

}  // namespace
}  // namespace store
