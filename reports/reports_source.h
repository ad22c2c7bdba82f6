#pragma once

// How Update and ExcelReport reach the reports database.
namespace reports {

// The ODBC data source of the reports database.
inline constexpr char kReportsSource[] = "QuorviaReports";
// The connection's mode: read and write.
inline constexpr int kReadWrite = 3;
// The options of Open: unspecified.
inline constexpr int kUnspecified = -1;

}  // namespace reports
