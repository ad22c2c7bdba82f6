#include "host/linux_platform.h"

#include <gtest/gtest.h>

#include "host/excel.h"
#include "host/testing/crm_store.h"
#include "host/testing/scripted_desktop.h"

namespace host {
namespace {

class LinuxPlatformTest : public ::testing::Test {
 protected:
  store::testing::TempDir dir_;
  testing::CrmStore crm_{dir_.File("crm.db")};
  LinuxPlatform platform_{dir_.File("crm.db"), std::make_unique<testing::ScriptedMessageBox>(),
                          std::make_unique<testing::IdleEventPump>()};
};

TEST_F(LinuxPlatformTest, MakesSpreadsheetsOnceAReportsFolderIsSetAndSavesThoseStillHeld) {
  EXPECT_EQ(store::testing::ThrownError([&] { platform_.CreateExcel(); }).number(), kCannotCreateObject);

  const std::string folder = dir_.File("reports");
  sheet::SheetApplication::Settings settings;
  settings.version = "8.0";
  platform_.SetReports(folder, settings);
  auto held = platform_.CreateExcel();
  EXPECT_EQ(held->Version(), "8.0");
  held->Workbooks()->Add();
  platform_.CreateExcel()->Workbooks()->Add();  // released at once, and saved then

  EXPECT_EQ(platform_.SaveReports().paths,
            (std::vector<std::string>{folder + "/Book1.xlsx", folder + "/Book2.xlsx"}));
  held.Reset();
  EXPECT_EQ(platform_.SaveReports().paths.size(), 2U) << "a workbook was saved twice";
}

}  // namespace
}  // namespace host
