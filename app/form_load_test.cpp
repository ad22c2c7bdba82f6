#include <algorithm>
#include <memory>

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

TEST_F(FormLoadTest, StartUpMakesItsCallsInOrderThenDispatchesAndUnloads) {
  EXPECT_EQ(Run("Realign;x;y"), Outcome::kDone);
  const Calls expected = {
      std::string("Create(") + kOutlookClass + ")",
      "Create(MAPI.Session)",
      R"(Session.Logon("", "", false, false, 0))",
      "Create(Quorvia.Connect)",
      R"(Connect.GetFolderId("Account Profiles"))",
      "Connect.GetStoreId()",
      R"(Application.GetNamespace("MAPI"))",
      R"(Namespace.GetFolderFromID("F1", "STORE-0001"))",
      "Release(Namespace)",
      "Connect.GetOutlookVersion()",
      "Create(QuorviaOMG.MAPIFolder)",
      R"(SafeFolder.SetItem("Account Profiles"))",
  };
  EXPECT_EQ(platform_->log().calls(), expected);
  EXPECT_EQ(form_->myParam, (std::vector<std::string>{"Realign", "x", "y"}));
  EXPECT_EQ(form_->HostFolder->Name(), "Account Profiles");
  EXPECT_EQ(form_->olversion, "16.0.0.0");
  EXPECT_FALSE(form_->loaded());
  EXPECT_EQ(trace_.str(), "");
}

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

TEST_F(FormLoadTest, DispatchComparesTheWholeNameExactly) {
  const struct {
    const char* command_line;
    Outcome outcome;
    std::size_t boxes;
  } cases[] = {
      {"Merge;E1;;K;K", Outcome::kNotDone, 1}, {"merge;E1;;K;K", Outcome::kUsage, 0},
      {"MERGE;E1;;K;K", Outcome::kUsage, 0},   {" Merge;E1;;K;K", Outcome::kUsage, 0},
      {"Merge ;E1;;K;K", Outcome::kUsage, 0},  {"Realign", Outcome::kDone, 0},
      {"ContactSync;a;b", Outcome::kDone, 0},  {"NoSuchFunction", Outcome::kUsage, 0},
      {"Merge;E1", Outcome::kAbandoned, 0},    {"Help", Outcome::kDone, 0},
      {"Front;E999", Outcome::kNotDone, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.command_line), c.outcome) << c.command_line;
    EXPECT_EQ(Shown().size(), c.boxes) << c.command_line;
  }
}

TEST_F(FormLoadTest, ProgramEndLogsOffAndReleasesItsFieldsInOrderAndNeverReturns) {
  EXPECT_EQ(Run("Realign"), Outcome::kDone);
  const std::string store_id = form_->HostFolder->StoreID();
  form_->CDOFolder = form_->objSession->GetFolder(form_->HostFolder->EntryID(), store_id);
  form_->oMessCol = form_->CDOFolder->Messages();
  form_->oFilter = form_->oMessCol->Filter();
  form_->omess = form_->oMessCol->Item(1);
  form_->myitem =
      form_->objSession->GetMessage(store::testing::TestStore::EntryId(crm_.acme), store_id);
  // Fields that the program end leaves alone: their release would show.
  form_->objFields = form_->omess->Fields();
  form_->MyOLItems = form_->HostFolder->Items();
  try {
    form_->ProgramEnd(Outcome::kNotDone);
    FAIL() << "ProgramEnd returned";
  } catch (const ProgramEnded& end) {
    EXPECT_EQ(end.outcome, Outcome::kNotDone);
  }
  const Calls& calls = platform_->log().calls();
  const Calls tail(std::find(calls.begin(), calls.end(), "Session.Logoff()"), calls.end());
  const Calls expected = {"Session.Logoff()",  "Release(Session)", "Release(Application)",
                          "Release(Connect)",  "Release(CdoFolder)", "Release(Messages)",
                          "Release(Filter)",   "Release(Message)",   "Release(Message)",
                          "Release(SafeFolder)"};
  EXPECT_EQ(tail, expected);
  EXPECT_EQ(trace_.str(), "");
}

TEST_F(FormLoadTest, ProgramEndRunsSafelyWithNothingMade) {
  host::LinuxPlatform inner(store_path_, host::testing::QuietDesktop(std::make_unique<host::testing::ScriptedMessageBox>()));
  host::testing::RecordingPlatform platform(inner);
  Form1 fresh(platform, "", &trace_);
  try {
    fresh.ProgramEnd(Outcome::kNotDone);
    FAIL() << "ProgramEnd returned";
  } catch (const ProgramEnded& end) {
    EXPECT_EQ(end.outcome, Outcome::kNotDone);
  }
  EXPECT_TRUE(platform.log().calls().empty());
  EXPECT_EQ(trace_.str(),
            "trace: ProgramEnd: error 91: Object variable or With block variable not set\n");
}

}  // namespace
}  // namespace app
