#include <algorithm>
#include <charconv>
#include <optional>
#include <string>

#include "app/form1.h"
#include "host/ado.h"
#include "host/excel.h"
#include "host/utf8.h"
#include "reports/reports_source.h"

namespace app {
namespace {

constexpr int kKeysetCursor = 1;
constexpr char kNoRecords[] = " No records found, please check your query";
constexpr char kErrorTitle[] = "Quorvia";
// The first version whose rows are copied in one call.
constexpr long kFirstCopyingVersion = 9;

// The number before the first "." of a version text (all of it without
// one); 0 when there is none.
long MajorVersion(const std::string& version) {
  long major = 0;
  std::from_chars(version.data(), version.data() + std::min(version.find('.'), version.size()), major);
  return major;
}

}  // namespace

void Form1::ExcelReport() {
  host::ResumeNext on_error("ExcelReport", trace_);
  // The first failure says why the query could not be run; the ones after
  // it only follow from it (a closed recordset has no count).
  std::optional<host::Error> cause;
  const auto step = [&](auto&& statement) {
    if (!on_error(statement) && !cause) cause = host::Error(on_error.Number(), on_error.Description());
  };
  host::Ref<host::ado::Connection> connection;
  step([&] { connection = platform_.CreateAdodbConnection(); });
  // The query comes from the caller: it may read, never write.
  step([&] { connection->SetMode(host::ado::kModeRead); });
  step([&] { connection->Open(reports::kReportsSource, "", "", reports::kUnspecified); });
  host::Ref<host::ado::Recordset> records;
  step([&] { records = platform_.CreateAdodbRecordset(); });
  step([&] { records->SetCursorType(kKeysetCursor); });
  step([&] { records->Open(Param(1), connection); });

  // A count that cannot be read counts as records.
  long count = 1;
  step([&] { count = records->RecordCount(); });
  host::Ref<host::excel::Application> excel;
  if (count <= 0) {
    on_error([&] { MsgBox(kNoRecords, host::MsgBoxButtons::kOkOnly); });
    Conclude({Outcome::kNotDone, "the query found no records", true});
  } else if (cause) {
    const std::string text = std::to_string(cause->number()) + " - " + cause->description();
    on_error([&] {
      platform_.MessageBoxes().Show(text, host::MsgBoxButtons::kOkOnly, host::MsgBoxIcon::kCritical,
                                    kErrorTitle);
    });
    Conclude({Outcome::kReportsFailed, "the query could not be run: " + text, true});
  } else {
    LayOutReport(records, excel, on_error);
  }
  on_error([&] { records->Close(); });
  on_error([&] { connection->Close(); });
  records.Reset();
  connection.Reset();
  excel.Reset();
  ProgramEnd();
}

void Form1::LayOutReport(const host::Ref<host::ado::Recordset>& records,
                         host::Ref<host::excel::Application>& excel, host::ResumeNext& on_error) {
  std::string not_written;
  if (!on_error([&] { excel = platform_.CreateExcel(); })) not_written = on_error.Description();
  if (!on_error([&] { excel->Workbooks()->Add(); }) && not_written.empty()) {
    not_written = on_error.Description();
  }
  if (!not_written.empty()) Conclude({Outcome::kAbandoned, "the report was not written: " + not_written, false});
  on_error([&] { excel->SetVisible(true); });
  host::Ref<host::excel::Worksheet> sheet;
  on_error([&] { sheet = excel->ActiveWorkbook()->Worksheets("Sheet1"); });
  on_error([&] { sheet->Activate(); });
  WriteHeaderRow(records, sheet, on_error);

  long major = 0;
  on_error([&] { major = MajorVersion(excel->Version()); });
  if (major >= kFirstCopyingVersion) {
    bool copied = on_error([&] { sheet->Range("A2")->CopyFromRecordset(records); });
    // A copy that filled its sheet leaves records behind: they go on the
    // following sheets, each with its own header row, so none is lost.
    for (bool more = false; copied && on_error([&] { more = !records->Eof(); }) && more;) {
      copied = on_error([&] { sheet = NextSheet(excel, records, on_error); }) &&
               on_error([&] { sheet->Range("A2")->CopyFromRecordset(records); });
    }
    if (on_error.Number() == 0) return;
    on_error.Clear();
  }
  FillCellByCell(records, excel, sheet, on_error);
}

void Form1::WriteHeaderRow(const host::Ref<host::ado::Recordset>& records,
                           const host::Ref<host::excel::Worksheet>& sheet, host::ResumeNext& on_error) {
  int fields = 0;
  on_error([&] { fields = records->FieldCount(); });
  for (int field = 0; field < fields; ++field) {
    std::string name;
    on_error([&] { name = records->FieldName(field); });
    const long column = field + 1;
    on_error([&] { sheet->Cells(1, column)->SetColumnWidth(static_cast<double>(host::Utf16Length(name) + 5)); });
    on_error([&] { sheet->Cells(1, column)->SetHorizontalAlignment(host::excel::kAlignCenter); });
    on_error([&] { sheet->Cells(1, column)->Font()->SetBold(true); });
    on_error([&] { sheet->Cells(1, column)->SetValue(name); });
  }
}

host::Ref<host::excel::Worksheet> Form1::NextSheet(const host::Ref<host::excel::Application>& excel,
                                                   const host::Ref<host::ado::Recordset>& records,
                                                   host::ResumeNext& on_error) {
  host::Ref<host::excel::Worksheet> sheet = excel->ActiveWorkbook()->Worksheets()->Add();
  WriteHeaderRow(records, sheet, on_error);
  return sheet;
}

void Form1::FillCellByCell(const host::Ref<host::ado::Recordset>& records,
                           const host::Ref<host::excel::Application>& excel,
                           host::Ref<host::excel::Worksheet>& sheet, host::ResumeNext& on_error) {
  int fields = 0;
  on_error([&] { fields = records->FieldCount(); });
  long last_row = 0;
  on_error([&] { last_row = sheet->RowsCount(); });
  long row = 1;
  for (bool at_end = true; on_error([&] { at_end = records->Eof(); }) && !at_end;) {
    if (++row > last_row && last_row > 0) {
      on_error([&] { sheet = NextSheet(excel, records, on_error); });
      row = 2;
    }
    for (int field = 0; field < fields; ++field) {
      // A null field is an empty cell.
      on_error([&] { sheet->Cells(row, field + 1)->SetValue(records->Value(field)); });
    }
    if (!on_error([&] { records->MoveNext(); })) break;
  }
}

}  // namespace app
