#include "host/sheet/report_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "host/excel.h"
#include "host/store/test_store.h"

namespace sheet {
namespace {

using store::testing::ReadFile;
using store::testing::ThrownError;
using store::testing::WriteFile;

class ReportFileTest : public ::testing::Test {
 protected:
  // A written report in `folder` holding `text`.
  static std::string Written(const std::string& folder, const std::string& text) {
    const std::string path = NewTemporaryReport(folder);
    WriteFile(path, text);
    return path;
  }

  store::testing::TempDir temp_;
};

TEST_F(ReportFileTest, PlacesEachReportUnderTheFirstFreeNumberAndNeverReplaces) {
  const std::string folder = temp_.File("reports");
  std::filesystem::create_directory(folder);
  WriteFile(folder + "/Book1.xlsx", "kept one");
  WriteFile(folder + "/Book3.xlsx", "kept three");

  EXPECT_EQ(PlaceReport(Written(folder, "first"), folder), folder + "/Book2.xlsx");
  EXPECT_EQ(PlaceReport(Written(folder, "second"), folder), folder + "/Book4.xlsx");
  std::filesystem::remove(folder + "/Book1.xlsx");
  EXPECT_EQ(PlaceReport(Written(folder, "third"), folder), folder + "/Book1.xlsx");

  EXPECT_EQ(ReadFile(folder + "/Book1.xlsx"), "third");
  EXPECT_EQ(ReadFile(folder + "/Book2.xlsx"), "first");
  EXPECT_EQ(ReadFile(folder + "/Book3.xlsx"), "kept three");
  EXPECT_EQ(ReadFile(folder + "/Book4.xlsx"), "second");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 4) << "a temporary file is left";
}

TEST_F(ReportFileTest, MakesTheMissingFolderAndADistinctHiddenFileInItEachTime) {
  const std::string folder = temp_.File("a/b/reports");
  const std::string first = NewTemporaryReport(folder);
  const std::string second = NewTemporaryReport(folder);
  EXPECT_NE(first, second);
  for (const auto& path : {first, second}) {
    EXPECT_TRUE(std::filesystem::is_regular_file(path)) << path;
    EXPECT_EQ(std::filesystem::path(path).parent_path(), folder) << path;
    EXPECT_EQ(std::filesystem::path(path).filename().string().substr(0, 5), ".Book") << path;
  }
}

TEST_F(ReportFileTest, FailsNamingTheFolderOrTheFilesItCannotUse) {
  WriteFile(temp_.File("plain"), "");
  const host::Error no_folder = ThrownError([&] { NewTemporaryReport(temp_.File("plain/reports")); });
  EXPECT_EQ(no_folder.number(), host::excel::kSheetFailure);
  EXPECT_NE(no_folder.description().find(temp_.File("plain/reports")), std::string::npos)
      << no_folder.description();

  const host::Error no_file = ThrownError([&] { PlaceReport(temp_.File("gone.xlsx"), temp_.File("")); });
  EXPECT_EQ(no_file.number(), host::excel::kSheetFailure);
  EXPECT_NE(no_file.description().find(temp_.File("gone.xlsx")), std::string::npos) << no_file.description();
  EXPECT_FALSE(std::filesystem::exists(temp_.File("Book1.xlsx")));
}

}  // namespace
}  // namespace sheet
