#include "host/sheet/report_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "host/store/test_store.h"

namespace sheet {
namespace {

using store::testing::WriteFile;

TEST(ReportFileTest, RemovesTheTemporaryWorkbooksOfEndedProcessesOnly) {
  const store::testing::TempDir temp;
  const std::string folder = temp.File("reports");
  std::filesystem::create_directory(folder);
  const std::string ended = std::to_string(store::testing::EndedProcess());
  std::vector<std::string> kept = {
      ".Book1.xlsx.new-" + std::to_string(getppid()) + "-Ab12Cd",  // a running process's
      ".notes.txt.new-" + ended + "-Ab12Cd",                       // no report's
      ".Book.xlsx.new-" + ended + "-Ab12Cd",                       // no report's name
      ".Book3.xlsx.new-Ab12Cd",                                    // names no process
      "Book7.xlsx"};
  for (const std::string& name : kept) WriteFile(folder + "/" + name, "");
  for (const char* name : {".Book1.xlsx.new-", ".Book12.xlsx.new-"}) {
    WriteFile(folder + "/" + name + ended + "-Ab12Cd", "");
  }

  const std::string made = std::filesystem::path(TemporaryReport(folder).path()).filename();
  std::vector<std::string> left = temp.Entries("reports");
  std::erase(left, made);
  std::ranges::sort(kept);
  EXPECT_EQ(left, kept);
}

}  // namespace
}  // namespace sheet
