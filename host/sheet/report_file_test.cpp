#include "host/sheet/report_file.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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
    const std::string path = TemporaryReport(folder).path();
    WriteFile(path, text);
    return path;
  }

  store::testing::TempDir temp_;
};

TEST_F(ReportFileTest, RemovesTheTemporaryWorkbooksOfEndedProcessesOnly) {
  const std::string folder = temp_.File("reports");
  std::filesystem::create_directory(folder);
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  const std::string ended = std::to_string(child);
  const std::vector<std::string> kept = {
      ".Book1.xlsx.new-" + std::to_string(getppid()) + "-Ab12Cd",  // a running process's
      ".notes.txt.new-" + ended + "-Ab12Cd",                       // no report's
      ".Book.xlsx.new-" + ended + "-Ab12Cd",                       // no report's name
      ".Book3.xlsx.new-Ab12Cd",                                    // names no process
      "Book7.xlsx"};
  for (const std::string& name : kept) WriteFile(folder + "/" + name, "");
  for (const char* name : {".Book1.xlsx.new-", ".Book12.xlsx.new-"}) {
    WriteFile(folder + "/" + name + ended + "-Ab12Cd", "");
  }

  const std::string made = TemporaryReport(folder).path();
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path() != made) left.push_back(entry.path().filename().string());
  }
  std::sort(left.begin(), left.end());
  std::vector<std::string> expected = kept;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(left, expected);
}

TEST_F(ReportFileTest, FailsNamingTheFolderOrTheFilesItCannotUse) {
  WriteFile(temp_.File("plain"), "");
  const host::Error no_folder = ThrownError([&] { TemporaryReport(temp_.File("plain/reports")); });
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
