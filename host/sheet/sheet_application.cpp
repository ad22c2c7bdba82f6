#include "host/sheet/sheet_application.h"

#include "host/sheet/sheet_workbook.h"

namespace sheet {

// The application's workbooks, in the order they were added.
class SheetApplication::Books : public host::excel::Workbooks {
 public:
  Books(std::filesystem::path folder, long last_row) : folder_(std::move(folder)), last_row_(last_row) {}

  host::Ref<host::excel::Workbook> Add() override {
    added_.push_back(std::make_shared<SheetWorkbook>(folder_, last_row_));
    return host::Ref<host::excel::Workbook>(added_.back());
  }

  const std::vector<std::shared_ptr<SheetWorkbook>>& added() const { return added_; }

 private:
  std::filesystem::path folder_;
  long last_row_;
  std::vector<std::shared_ptr<SheetWorkbook>> added_;
};

SheetApplication::SheetApplication(std::filesystem::path folder, std::shared_ptr<SavedReports> saved)
    : SheetApplication(std::move(folder), std::move(saved), Settings{}) {}

SheetApplication::SheetApplication(std::filesystem::path folder, std::shared_ptr<SavedReports> saved,
                                   Settings settings)
    : folder_(std::move(folder)),
      saved_(saved ? std::move(saved) : std::make_shared<SavedReports>()),
      settings_(std::move(settings)),
      books_(std::make_shared<Books>(folder_, settings_.last_row)) {}

SheetApplication::~SheetApplication() {
  // Each workbook gets its chance: one that fails does not keep the next unsaved.
  for (const auto& book : books_->added()) {
    if (book->saved()) continue;
    try {
      saved_->paths.push_back(book->Save());
    } catch (const host::Error& error) {
      saved_->failures.push_back(error.description());
    }
  }
}

host::Ref<host::excel::Workbooks> SheetApplication::Workbooks() {
  return host::Ref<host::excel::Workbooks>(books_);
}

host::Ref<host::excel::Workbook> SheetApplication::ActiveWorkbook() {
  if (books_->added().empty()) return nullptr;
  return host::Ref<host::excel::Workbook>(books_->added().back());
}

std::vector<std::string> SheetApplication::Save() {
  std::vector<std::string> paths;
  for (const auto& book : books_->added()) {
    if (book->saved()) continue;
    paths.push_back(book->Save());
    saved_->paths.push_back(paths.back());
  }
  return paths;
}

}  // namespace sheet
