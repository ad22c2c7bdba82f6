#include <algorithm>

#include "accounts/account_test_fixture.h"

namespace app {
namespace {

using Calls = std::vector<std::string>;

constexpr char kOutlookClass[] = "{0006F03A-0000-0000-C000-000000000046}";

class FormLoadTest : public accounts::AccountTest {
 protected:
  bool Called(const std::string& line) {
    const Calls& calls = platform_->log().calls();
    return std::find(calls.begin(), calls.end(), line) != calls.end();
  }
  // Each fresh recording platform refuses to make these.
  void Refuse(std::vector<std::string> creations) {
    platform_hook_ = [creations](host::testing::RecordingPlatform& platform) {
      for (const std::string& creation : creations) platform.Refuse(creation);
    };
  }
};

TEST_F(FormLoadTest, TriesTheThreeWaysToTheMailClientAndEndsWithoutOne) {
  Refuse({kOutlookClass, "Outlook.Application"});
  EXPECT_EQ(Run("Merge;E1;;A100;B200"), Outcome::kNoSession);
  const Calls expected = {std::string("Create(") + kOutlookClass + ")",
                          "Create(running Outlook.Application)", "Create(Outlook.Application)"};
  EXPECT_EQ(platform_->log().calls(), expected);
  EXPECT_TRUE(Shown().empty());
  EXPECT_NE(trace_.str().find("trace: Form_Load: error 429: "), std::string::npos) << trace_.str();

  Refuse({kOutlookClass});
  EXPECT_EQ(Run("Realign"), Outcome::kDone) << "the third way is enough";
  EXPECT_TRUE(Called("Create(Outlook.Application)"));
  EXPECT_EQ(form_->HostFolder->Name(), "Account Profiles");
}

TEST_F(FormLoadTest, WithoutASessionObjectTheRunEndsBeforeDispatch) {
  Refuse({"MAPI.Session"});
  EXPECT_EQ(Run("Merge;E1;;A100;A100"), Outcome::kNoSession);
  EXPECT_TRUE(Shown().empty());
  EXPECT_FALSE(Called("Create(Quorvia.Connect)"));
  EXPECT_NE(trace_.str().find("error 91"), std::string::npos)
      << "Logon through nothing: " << trace_.str();
}

TEST_F(FormLoadTest, StartUpFailuresThatAreSkippedStillDispatch) {
  const struct {
    const char* failing;  // a member to fail, or a creation to refuse
    bool refuse;
    bool has_folder;
    const char* version;
    bool has_wrapper;
  } cases[] = {
      {"Session.Logon", false, true, "16.0.0.0", true},
      {"Quorvia.Connect", true, false, "", true},
      {"Connect.GetFolderId", false, false, "16.0.0.0", true},
      {"Connect.GetStoreId", false, false, "16.0.0.0", true},
      {"Namespace.GetFolderFromID", false, false, "16.0.0.0", true},
      {"Connect.GetOutlookVersion", false, true, "", true},
      {"QuorviaOMG.MAPIFolder", true, true, "16.0.0.0", false},
  };
  for (const auto& c : cases) {
    platform_hook_ = [&c](host::testing::RecordingPlatform& platform) {
      if (c.refuse) {
        platform.Refuse(c.failing);
      } else {
        platform.log().FailCall(c.failing);
      }
    };
    EXPECT_EQ(Run("Merge;E1;;K;K"), Outcome::kNotDone) << c.failing;
    EXPECT_EQ(Shown().size(), 1u) << c.failing << ": dispatched";
    EXPECT_EQ(form_->HostFolder.IsNothing(), !c.has_folder) << c.failing;
    EXPECT_EQ(form_->olversion, c.version) << c.failing;
    const Calls& calls = platform_->log().calls();
    const bool wrapped = std::any_of(calls.begin(), calls.end(), [](const std::string& call) {
      return call.rfind("SafeFolder.SetItem(", 0) == 0;
    });
    EXPECT_EQ(wrapped, c.has_wrapper) << c.failing;
  }
}

}  // namespace
}  // namespace app
