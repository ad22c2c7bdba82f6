#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "host/ado.h"

// The rows a report benchmark writes: 1,000,000 records of eight typed
// columns, made the same way each time, and the SQLite table that holds them.
namespace bench {

inline constexpr long kReportRows = 1000000;
inline constexpr int kReportColumns = 8;
inline constexpr const char* kReportNames[kReportColumns] = {"Id",   "Amount", "Score", "Opened",
                                                              "Seen", "Active", "Code",  "Name"};
inline constexpr host::ado::ColumnType kReportTypes[kReportColumns] = {
    host::ado::ColumnType::kInteger, host::ado::ColumnType::kDecimal, host::ado::ColumnType::kReal,
    host::ado::ColumnType::kDate,    host::ado::ColumnType::kTimestamp, host::ado::ColumnType::kBoolean,
    host::ado::ColumnType::kText,    host::ado::ColumnType::kText};
// The query that reads them back in order.
inline constexpr char kReportQuery[] = "select * from Accounts order by Id";

// The field texts of row `row` (from 1), as the reports database gives them:
// an integer, a decimal, a real, a date, a timestamp (midnight every 120th
// row), a Boolean as 1 or 0, a code with leading zeros and a name.
std::vector<std::string> ReportRowTexts(long row);

// A new SQLite file at `database` whose table Accounts holds rows 1 to
// kReportRows, its columns declared with the types above.
void MakeReportDatabase(const std::filesystem::path& database);

}  // namespace bench
