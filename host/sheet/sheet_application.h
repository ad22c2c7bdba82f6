#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/excel.h"

namespace sheet {

class SheetWorkbook;

// What the spreadsheet applications of a run saved, in order: each placed
// file's path, and the description of each workbook that could not be saved
// when its application was released.
struct SavedReports {
  std::vector<std::string> paths;
  std::vector<std::string> failures;
};

// The spreadsheet application of this system: each added workbook is
// written as an .xlsx file into one folder, when Save is called or else
// when the application is released.
class SheetApplication : public host::excel::Application {
 public:
  struct Settings {
    // What Version says.
    std::string version = "16.0";
    // The last row of every sheet; tests lower it to reach a sheet's end.
    long last_row = 1048576;
  };

  // Workbooks go into `folder`, made when the first is added; `saved`, when
  // given, records what is saved.
  SheetApplication(std::filesystem::path folder, std::shared_ptr<SavedReports> saved = nullptr);
  SheetApplication(std::filesystem::path folder, std::shared_ptr<SavedReports> saved,
                   Settings settings);
  // Saves the workbooks not saved yet; a failure is recorded, not thrown.
  ~SheetApplication() override;

  host::Ref<host::excel::Workbooks> Workbooks() override;
  void SetVisible(bool visible) override { visible_ = visible; }
  bool Visible() override { return visible_; }
  host::Ref<host::excel::Workbook> ActiveWorkbook() override;
  std::string Version() override { return settings_.version; }

  // Writes each workbook not saved yet as BookN.xlsx in the folder (see
  // PlaceReport) and returns their paths in the order they were added.
  // Throws host::Error (kSheetFailure) at the first that cannot be written;
  // the ones before it are saved, the failed one is dropped.
  std::vector<std::string> Save();

 private:
  class Books;

  std::filesystem::path folder_;
  std::shared_ptr<SavedReports> saved_;
  Settings settings_;
  std::shared_ptr<Books> books_;
  bool visible_ = false;
};

}  // namespace sheet
