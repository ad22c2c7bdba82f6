#include <memory>
#include <string>

#include "host/excel.h"
#include "host/testing/recorded.h"

namespace host::testing {
namespace {

class RecordedFont : public Recorded<excel::Font> {
 public:
  using Recorded::Recorded;
  void SetBold(bool bold) override { Forward("SetBold", &Font::SetBold, bold); }
};

class RecordedRange : public Recorded<excel::Range> {
 public:
  using Recorded::Recorded;
  void SetColumnWidth(double width) override { Forward("SetColumnWidth", &Range::SetColumnWidth, width); }
  void SetHorizontalAlignment(int alignment) override {
    Forward("SetHorizontalAlignment", &Range::SetHorizontalAlignment, alignment);
  }
  Ref<excel::Font> Font() override {
    Enter("Font");
    return Wrap<RecordedFont>(inner_->Font(), "Font");
  }
  void SetValue(const Value& value) override { Forward("SetValue", &Range::SetValue, value); }
  // The recordset's own calls are recorded when it is a recorded one.
  long CopyFromRecordset(Ref<ado::Recordset> recordset) override {
    Enter("CopyFromRecordset");
    return inner_->CopyFromRecordset(recordset);
  }
};

class RecordedWorksheet : public Recorded<excel::Worksheet> {
 public:
  using Recorded::Recorded;
  void Activate() override { Forward("Activate", &Worksheet::Activate); }
  Ref<excel::Range> Cells(long row, long column) override {
    Enter("Cells", row, column);
    return Wrap<RecordedRange>(inner_->Cells(row, column), "Range");
  }
  Ref<excel::Range> Range(const std::string& address) override {
    Enter("Range", address);
    return Wrap<RecordedRange>(inner_->Range(address), "Range");
  }
  long RowsCount() override { return Forward("RowsCount", &Worksheet::RowsCount); }
};

class RecordedSheets : public Recorded<excel::Sheets> {
 public:
  using Recorded::Recorded;
  Ref<excel::Worksheet> Add() override {
    Enter("Add");
    return Wrap<RecordedWorksheet>(inner_->Add(), "Worksheet");
  }
};

class RecordedWorkbook : public Recorded<excel::Workbook> {
 public:
  using Recorded::Recorded;
  Ref<excel::Worksheet> Worksheets(const std::string& name) override {
    Enter("Worksheets", name);
    return Wrap<RecordedWorksheet>(inner_->Worksheets(name), "Worksheet");
  }
  Ref<excel::Sheets> Worksheets() override {
    Enter("Worksheets");
    return Wrap<RecordedSheets>(inner_->Worksheets(), "Sheets");
  }
};

class RecordedWorkbooks : public Recorded<excel::Workbooks> {
 public:
  using Recorded::Recorded;
  Ref<excel::Workbook> Add() override {
    Enter("Add");
    return Wrap<RecordedWorkbook>(inner_->Add(), "Workbook");
  }
};

class RecordedExcel : public Recorded<excel::Application> {
 public:
  using Recorded::Recorded;
  Ref<excel::Workbooks> Workbooks() override {
    Enter("Workbooks");
    return Wrap<RecordedWorkbooks>(inner_->Workbooks(), "Workbooks");
  }
  void SetVisible(bool visible) override { Forward("SetVisible", &Application::SetVisible, visible); }
  bool Visible() override { return Forward("Visible", &Application::Visible); }
  Ref<excel::Workbook> ActiveWorkbook() override {
    Enter("ActiveWorkbook");
    return Wrap<RecordedWorkbook>(inner_->ActiveWorkbook(), "Workbook");
  }
  std::string Version() override { return Forward("Version", &Application::Version); }
};

}  // namespace

Ref<excel::Application> RecordExcel(const Ref<excel::Application>& application,
                                    std::shared_ptr<CallLog> log) {
  return Record<RecordedExcel>(application, std::move(log), "Excel");
}

}  // namespace host::testing
