#include "bench/report_rows.h"

#include <cstdio>

#include "host/store/database.h"

namespace bench {

std::vector<std::string> ReportRowTexts(long row) {
  char date[64];
  char stamp[96];
  char code[32];
  const int day = static_cast<int>(row % 28) + 1;
  std::snprintf(date, sizeof date, "2024-%02d-%02d", static_cast<int>(row % 12) + 1, day);
  std::snprintf(stamp, sizeof stamp, "%s %02d:%02d:%02d", date, static_cast<int>(row % 24),
                static_cast<int>(row % 60), static_cast<int>((row * 7) % 60));
  std::snprintf(code, sizeof code, "%08ld", row);
  return {std::to_string(row), std::to_string(row % 100000) + ".25", std::to_string(row) + ".5",
          date, stamp, row % 2 ? "1" : "0", code, "Account " + std::to_string(row)};
}

void MakeReportDatabase(const std::filesystem::path& database) {
  const auto db_held = store::OpenDatabase(database.string(), store::Database::Mode::kCreateNew);
  store::Database& db = *db_held;
  db.Exec("create table Accounts (Id integer, Amount numeric(10,2), Score real, Opened date, "
          "Seen timestamp, Active bit, Code text, Name text)");
  store::Transaction transaction(db);
  store::Statement insert(db, "insert into Accounts values (?, ?, ?, ?, ?, ?, ?, ?)");
  for (long row = 1; row <= kReportRows; ++row) {
    const auto texts = ReportRowTexts(row);
    for (int i = 0; i < kReportColumns; ++i) insert.Bind(i + 1, texts[static_cast<std::size_t>(i)]);
    insert.Run();
    insert.Reset();
  }
  transaction.Commit();
}

}  // namespace bench
